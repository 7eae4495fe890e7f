// travelkin-search: the search service without a window, for scripts and tests.

#include "DeviceListFormat.h"
#include "SearchOptions.h"
#include "WorkerDiagnosis.h"
#include "discovery/DiagnosticLog.h"
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
    const sigset_t stopSignals = BlockStopSignals();
    SetLogEcho(stderr);   // standard output carries the list alone
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
