#include "common/StopSignals.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace {

std::mutex g_lock;
std::condition_variable g_stopped;
bool g_stopRequested = false;

// Runs on a thread of its own that the console starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    {
        std::lock_guard lock(g_lock);
        g_stopRequested = true;
    }
    g_stopped.notify_all();
    return TRUE;
}

} // namespace

void BlockStopSignals()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool WaitForStop(std::chrono::steady_clock::time_point until)
{
    std::unique_lock lock(g_lock);
    // A stop seen once is reported once, as a taken signal is.
    const bool stopped = g_stopped.wait_until(lock, until, [] { return g_stopRequested; });
    g_stopRequested = false;
    return stopped;
}
