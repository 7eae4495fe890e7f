// travelkin-search: the search service without a window, for scripts and tests.

#include "DeviceListFormat.h"
#include "SearchOptions.h"
#include "WorkerDiagnosis.h"
#include "common/StopSignals.h"
#include "discovery/DiagnosticLog.h"
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
        const std::size_t found = CSearchDeviceService::Instance().DeviceCount();
        if (found >= static_cast<std::size_t>(options.expect)) {
            const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::fprintf(stderr, "travelkin-search: %zu devices after %.1f ms\n", found, ms);
            return true;
        }
        if (WaitForStop(std::min(end, Clock::now() + kPollInterval)))
            break;
    }
    std::fprintf(stderr, "travelkin-search: %zu of %d devices when the wait ended\n",
                 CSearchDeviceService::Instance().DeviceCount(), options.expect);
    return false;
}

constexpr int kNothingSent = 3;

std::vector<WorkerDiagnosis> Diagnose(const CSearchDeviceService& service)
{
    std::vector<WorkerDiagnosis> workers;
    for (const CSearchDeviceThread* worker : service.Workers())
        workers.push_back(DiagnoseWorker(*worker));
    return workers;
}

// Tells what the workers could not do, prints the list and the diagnosis, and picks the exit
// code: a search that got no query out has found nothing, which an empty list would hide.
int Report(const SearchOptions& options, const std::vector<WorkerDiagnosis>& workers,
           const std::vector<DeviceRecord>& devices, bool reached)
{
    for (const std::string& line : ProblemLines(workers))
        std::fprintf(stderr, "travelkin-search: %s\n", line.c_str());
    const bool sent = AnyQuerySent(workers);
    if (!sent)
        std::fputs("travelkin-search: no search query could be sent (no usable network?)\n", stderr);
    std::string text;
    if (options.diagnose && options.json)
        text = FormatDiagnosisJson(workers, devices);
    else if (sent)
        text = options.json ? FormatDeviceJson(devices) : FormatDeviceTable(devices);
    if (options.diagnose && !options.json)
        text += (text.empty() ? "" : "\n") + FormatDiagnosisText(workers);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return !sent ? kNothingSent : reached ? 0 : 1;
}

int Search(const SearchOptions& options)
{
    // Before the workers start, so their threads never take a stop request.
    BlockStopSignals();
    SetLogEcho(stderr);   // standard output carries the list alone
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
    const std::vector<WorkerDiagnosis> workers = Diagnose(service);
    service.ExitSearchService();
    return Report(options, workers, devices, reached);
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
                     "usage: travelkin-search [--seconds N] [--json] [--expect N] [--diagnose]  (--help explains)\n",
                     arguments.error.c_str());
        return 2;
    }
    return Search(arguments.options);
}
