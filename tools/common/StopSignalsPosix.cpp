#include "common/StopSignals.h"

#include <csignal>
#include <ctime>

namespace {

sigset_t StopSet()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    return stopSignals;
}

} // namespace

void BlockStopSignals()
{
    // Threads started later inherit the mask, so only sigtimedwait below takes the signal.
    const sigset_t stopSignals = StopSet();
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
}

bool WaitForStop(std::chrono::steady_clock::time_point until)
{
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                           static_cast<long>(left.count() % 1000000000)};
    const sigset_t stopSignals = StopSet();
    return sigtimedwait(&stopSignals, nullptr, &timeout) > 0;
}
