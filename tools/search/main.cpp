// travelkin-search: the search service without a window, for scripts and tests.

#include "DeviceListFormat.h"
#include "SearchOptions.h"
#include "discovery/SearchDeviceService.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Blocked before the workers start, so their threads inherit the mask and a stop signal is
// only ever taken by the waits below.
sigset_t BlockStopSignals()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

// Sleeps until the time is reached or a stop signal comes; true when it came.
bool WaitUntil(const sigset_t& stopSignals, Clock::time_point until)
{
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
    if (left.count() <= 0)
        return false;
    const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                           static_cast<long>(left.count() % 1000000000)};
    return sigtimedwait(&stopSignals, nullptr, &timeout) > 0;
}

// Polls the registry until it holds the expected number of devices; returns whether it did.
bool WaitForDevices(const sigset_t& stopSignals, const SearchOptions& options, Clock::time_point start)
{
    const Clock::time_point end = start + std::chrono::seconds(options.seconds);
    constexpr auto kPollInterval = std::chrono::milliseconds(2);
    while (Clock::now() < end) {
        const std::size_t found = CSearchDeviceService::Instance().DeviceCount();
        if (found >= static_cast<std::size_t>(options.expect)) {
            const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::fprintf(stderr, "travelkin-search: %zu devices after %.1f ms\n", found, ms);
            return true;
        }
        if (WaitUntil(stopSignals, std::min(end, Clock::now() + kPollInterval)))
            break;
    }
    std::fprintf(stderr, "travelkin-search: %zu of %d devices when the wait ended\n",
                 CSearchDeviceService::Instance().DeviceCount(), options.expect);
    return false;
}

int Search(const SearchOptions& options)
{
    const sigset_t stopSignals = BlockStopSignals();
    CSearchDeviceService& service = CSearchDeviceService::Instance();
    service.StartSearchService();
    const Clock::time_point start = Clock::now();
    service.SendSearchRequest();
    bool reached = true;
    if (options.expect > 0)
        reached = WaitForDevices(stopSignals, options, start);
    else
        WaitUntil(stopSignals, start + std::chrono::seconds(options.seconds));
    const std::vector<DeviceRecord> devices = service.CopyDevices();
    service.ExitSearchService();
    const std::string text = options.json ? FormatDeviceJson(devices) : FormatDeviceTable(devices);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return reached ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const SearchArguments arguments = ParseSearchArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
        std::fputs(SearchUsage(), stdout);
        return 0;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr,
                     "travelkin-search: %s\n"
                     "usage: travelkin-search [--seconds N] [--json] [--expect N]  (--help explains)\n",
                     arguments.error.c_str());
        return 2;
    }
    return Search(arguments.options);
}
