#pragma once

#include <chrono>
#include <string>

#include "discovery/RegistryChange.h"

// UTC as ISO 8601 with milliseconds: "2026-01-31T12:00:00.123Z".
std::string FormatUtcTime(std::chrono::system_clock::time_point time);

// One line of --watch for a change that is printed (Appeared, Changed, Gone):
// {"event": "appeared", "time": "...", "device": {...}} and a line feed; a Gone line ends
// with "reason": "byebye", "expired", "missed" or "displaced". Empty for Seen.
std::string FormatWatchEvent(const RegistryChange& change);
