// travelkin-search: the search service without a window, for scripts and tests.

#include "DeviceListFormat.h"
#include "SearchOptions.h"
#include "common/Console.h"
#include "common/ToolOutput.h"
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
constexpr const char* kProgram = "travelkin-search";

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
        const std::size_t found = CSearchDeviceService::Instance().CopyDevices().size();
        if (found >= static_cast<std::size_t>(options.expect)) {
            const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::fprintf(stderr, "travelkin-search: %zu devices after %.1f ms\n", found, ms);
            return true;
        }
        if (WaitUntil(stopSignals, std::min(end, Clock::now() + kPollInterval)))
            break;
    }
    std::fprintf(stderr, "travelkin-search: %zu of %d devices when the wait ended\n",
                 CSearchDeviceService::Instance().CopyDevices().size(), options.expect);
    return false;
}

int Search(const SearchOptions& options)
{
    const sigset_t stopSignals = BlockStopSignals();
    CSearchDeviceService& service = CSearchDeviceService::Instance();
    service.StartSearchService();
    if (IsTerminal(stderr))
        std::fprintf(stderr, "Searching for %d s\u2026\n", options.seconds);
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
    WriteOut(text);
    return reached ? 0 : 1;
}

int Run(const SearchArguments& arguments)
{
    if (arguments.help) {
        std::fputs(SearchUsage(), stdout);
        return 0;
    }
    if (arguments.version) {
        PrintVersion(kProgram);
        return 0;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s\n", kProgram, arguments.error.c_str(), SearchSynopsis());
        return 2;
    }
    return Search(arguments.options);
}

} // namespace

int main(int argc, char** argv)
{
    if (!CheckStandardOutput(kProgram))
        return 1;
    const int status = Run(ParseSearchArguments(std::vector<std::string>(argv + 1, argv + argc)));
    // Output that did not arrive is a failure whatever the search found.
    return CloseStandardOutput(kProgram) ? status : 1;
}
