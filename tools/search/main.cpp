// travelkin-search: the search service without a window, for scripts and tests.

#include "DeviceListFormat.h"
#include "SearchOptions.h"
#include "common/StopSignals.h"
#include "discovery/SearchDeviceService.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Polls the registry until it holds the expected number of devices; returns whether it did.
bool WaitForDevices(const SearchOptions& options, Clock::time_point start)
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
        if (WaitForStop(std::min(end, Clock::now() + kPollInterval)))
            break;
    }
    std::fprintf(stderr, "travelkin-search: %zu of %d devices when the wait ended\n",
                 CSearchDeviceService::Instance().CopyDevices().size(), options.expect);
    return false;
}

int Search(const SearchOptions& options)
{
    // Before the workers start, so their threads never take a stop request.
    BlockStopSignals();
    CSearchDeviceService& service = CSearchDeviceService::Instance();
    service.StartSearchService();
    const Clock::time_point start = Clock::now();
    service.SendSearchRequest();
    bool reached = true;
    if (options.expect > 0)
        reached = WaitForDevices(options, start);
    else
        WaitForStop(start + std::chrono::seconds(options.seconds));
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
