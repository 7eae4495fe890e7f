#pragma once

// Stop requests (Ctrl+C, a termination request) for the command-line tools. One file per
// platform: POSIX signals, or the Windows console's control events.

#include <chrono>

// Call before any thread starts: from then on a stop request is only taken by the waits.
void BlockStopSignals();

// Sleeps until the time is reached or a stop request comes; true when it came.
bool WaitForStop(std::chrono::steady_clock::time_point until);
