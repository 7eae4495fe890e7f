// travelkin-search: the search service without a window, for scripts and tests.

#include "ChangeFormat.h"
#include "DeviceListFormat.h"
#include "Inventory.h"
#include "SearchOptions.h"
#include "SearchSession.h"
#include "WorkerDiagnosis.h"
#include "common/Console.h"
#include "common/ToolOutput.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/DirectHosts.h"
#include "discovery/SearchDeviceService.h"
#include "os/LocalAddresses.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kProgram = "travelkin-search";
// A watched device that has not answered this many searches in a row is gone.
constexpr std::int32_t kMissedSearches = 2;
constexpr int kNothingSent = 3;
constexpr const char* kStampVariable = "TRAVELKIN_MAIN_STAMP";

// When TRAVELKIN_MAIN_STAMP is set, a moment of the run ("main", "expect-met") is reported on
// standard error with the wall-clock time in nanoseconds, for start-up measurements.
void Stamp(const char* moment)
{
    const char* asked = std::getenv(kStampVariable);
    if (asked == nullptr || *asked == '\0')
        return;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    std::fprintf(stderr, "%s %lld\n", moment, static_cast<long long>(now.count()));
}

// The --host addresses, each looked up once; false (with a message) when one cannot be.
bool ResolveDirectHosts(const std::vector<std::string>& hosts,
                        std::vector<boost::asio::ip::address_v4>& addresses)
{
    boost::system::error_code ignored; // without the networks only their broadcast addresses pass
    const std::vector<LocalNetwork> networks =
        hosts.empty() ? std::vector<LocalNetwork>{} : ListLocalIPv4Networks(ignored);
    for (const std::string& host : hosts) {
        std::string error;
        const auto address = ResolveHost(host, error, networks);
        if (!address) {
            std::fprintf(stderr, "%s: --host '%s': %s\n", kProgram, host.c_str(), error.c_str());
            return false;
        }
        addresses.push_back(*address);
    }
    return true;
}

// When each device (by address) was last heard in this run.
using LastSeen = std::map<std::string, std::chrono::system_clock::time_point>;

// Waits for the answers of one search, or until --expect devices are listed; returns
// whether --expect (if given) was reached. lastSeen, when given, notes when each device was
// heard (only a compare or a save needs it).
bool WaitForAnswers(CSearchSession& session, CSearchDeviceService& service, const SearchOptions& options,
                    LastSeen* lastSeen)
{
    const Clock::time_point start = Clock::now();
    bool reached = options.expect == 0;
    std::size_t found = 0; // the registry starts empty: what appeared and has not gone
    session.OnChange([&](const RegistryChange& change) {
        if (lastSeen != nullptr && change.kind != RegistryChange::Kind::Gone)
            (*lastSeen)[change.device.ip] = change.time;
        found += change.kind == RegistryChange::Kind::Appeared ? 1 : 0;
        found -= change.kind == RegistryChange::Kind::Gone ? 1 : 0;
        if (options.expect == 0 || change.kind != RegistryChange::Kind::Appeared)
            return;
        if (found < static_cast<std::size_t>(options.expect))
            return;
        Stamp("expect-met");
        const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::fprintf(stderr, "%s: %zu devices after %.1f ms\n", kProgram, found, ms);
        reached = true;
        session.Stop();
    });
    session.After(std::chrono::seconds(options.seconds), [&] { session.Stop(); });
    service.StartAndSearch();
    session.Run();
    if (!reached)
        std::fprintf(stderr, "%s: %zu of %d devices when the wait ended\n", kProgram,
                     service.CopyDevices().size(), options.expect);
    return reached;
}

std::vector<InventoryEntry> WithLastSeen(const std::vector<DeviceRecord>& devices, const LastSeen& lastSeen)
{
    std::vector<InventoryEntry> entries;
    entries.reserve(devices.size());
    for (const DeviceRecord& device : devices) {
        const auto seen = lastSeen.find(device.ip);
        entries.push_back({device, FormatUtcTime(seen != lastSeen.end() ? seen->second
                                                                        : std::chrono::system_clock::now())});
    }
    return entries;
}

// The list (or with saved its differences from it) and the diagnosis, as asked for.
std::string ReportText(const SearchOptions& options, const std::vector<WorkerFacts>& workers,
                       const std::vector<DeviceRecord>& devices, const std::vector<InventoryEntry>& entries,
                       const std::optional<std::vector<InventoryEntry>>& saved)
{
    if (options.diagnose && options.json)
        return FormatDiagnosisJson(workers, devices);
    std::string text;
    if (saved)
        text = FormatDifferences(CompareInventory(*saved, entries), options.json);
    else
        text = options.json ? FormatDeviceJson(devices) : FormatDeviceTable(devices);
    if (options.diagnose)
        text += (text.empty() ? "" : "\n") + FormatDiagnosisText(workers);
    if (options.diagnose && devices.empty())
        text += FormatFindingsText(WithPortHolders(DiagnoseSearch(workers)));
    if (options.diagnose && NothingHeard(workers))
        text += "\n" + NothingHeardAdvice();
    return text;
}

// One search; prints the devices, or with saved their differences from it. A search that got
// no query out has found nothing, which an empty list would hide: it says so and ends in 3.
int Search(CSearchSession& session, CSearchDeviceService& service, const SearchOptions& options,
           const std::optional<std::vector<InventoryEntry>>& saved)
{
    if (IsTerminal(stderr))
        std::fprintf(stderr, "Searching for %d s\u2026\n", options.seconds);
    const std::string& savePath = options.inventory.savePath;
    const bool keepsInventory = saved || !savePath.empty();
    LastSeen lastSeen;
    const bool reached = WaitForAnswers(session, service, options, keepsInventory ? &lastSeen : nullptr);
    // The search is over: its threads wind down while the list is written.
    service.StopSearching();
    session.DropChanges();
    // Every device that answered during the search is listed and saved, however short the
    // max-age it announced: max-age ends a device's listing only while a watch goes on. The
    // list is copied once; the inventory's entries are made only for a compare or a save.
    const std::vector<DeviceRecord> found = service.CopyDevices();
    const std::vector<InventoryEntry> entries =
        keepsInventory ? WithLastSeen(found, lastSeen) : std::vector<InventoryEntry>{};
    const std::vector<WorkerFacts> workers = service.CopyWorkers();
    for (const std::string& line : ProblemLines(workers))
        std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str());
    if (!AnyQuerySent(workers)) {
        std::fprintf(stderr, "%s: no search query could be sent (no usable network?)\n", kProgram);
        if (options.diagnose)
            WriteOut(ReportText(options, workers, found, entries, saved));
        return kNothingSent;
    }
    WriteOut(ReportText(options, workers, found, entries, saved));
    std::string error;
    if (!savePath.empty() &&
        !SaveInventory(savePath, FormatInventory(entries, FormatUtcTime(std::chrono::system_clock::now())),
                       error)) {
        std::fprintf(stderr, "%s: --save: %s\n", kProgram, error.c_str());
        return 1;
    }
    return reached ? 0 : 1;
}

// Searches now and every interval until a stop signal, printing every change at once; every
// second, devices whose announced max-age ran out go.
int Watch(CSearchSession& session, CSearchDeviceService& service, const WatchOptions& watch)
{
    bool written = true;
    session.OnChange([&](const RegistryChange& change) {
        std::string line = FormatWatchEvent(change);
        if (line.empty())
            return;
        // A reader that stops reading must not hold up the stop signals: the line goes out as
        // the output makes room for it, and later changes fold in the queue meanwhile.
        session.Hold();
        session.WriteLine(std::move(line), [&](bool lineWritten) {
            if (!lineWritten) {
                written = false; // nobody reads any more: end, and say so
                session.Stop();
                return;
            }
            session.Resume();
        });
    });
    int secondsToSearch = 0;
    std::function<void()> everySecond = [&] {
        service.Registry().Expire(Clock::now());
        if (secondsToSearch-- == 0) {
            service.Registry().Age(kMissedSearches);
            service.SendSearchRequest();
            secondsToSearch = watch.intervalSeconds - 1;
        }
        session.After(std::chrono::seconds(1), everySecond);
    };
    everySecond();
    session.Run();
    return written ? 0 : 1;
}

// A single search is over once its list is written: the receive threads were told to stop,
// and joining them would only let them work through the answers still queued on their
// sockets (a thousand devices answer each query). The process ends without waiting for
// them; the system closes their sockets and leaves their groups. With the diagnostic log on,
// the workers' orderly end is part of the record, so they are joined as after a watch.
bool EndsWithoutWaiting(const SearchOptions& options)
{
    return !options.watch.enabled && !LogEnabled();
}

int Start(const SearchOptions& options)
{
    std::vector<boost::asio::ip::address_v4> direct;
    if (!ResolveDirectHosts(options.hosts, direct))
        return 2;
    // The file to compare with is read first: a damaged one ends the run before it searches
    // (and before a --save of the same name could replace it).
    std::optional<std::vector<InventoryEntry>> saved;
    if (!options.inventory.comparePath.empty()) {
        std::string error;
        saved.emplace();
        if (!LoadInventory(options.inventory.comparePath, *saved, error)) {
            std::fprintf(stderr, "%s: --compare: %s\n", kProgram, error.c_str());
            return 2;
        }
    }
    CSearchDeviceService& service = CSearchDeviceService::Instance();
    CSearchSession session(service); // before the workers start: it takes the stop signals
    SetLogEcho(stderr);              // standard output carries the list alone
    service.SetDirectHosts(direct);
    if (options.watch.enabled)
        service.StartSearchService(); // a single search starts the service as it sends
    const int status = options.watch.enabled ? Watch(session, service, options.watch)
                                             : Search(session, service, options, saved);
    if (!EndsWithoutWaiting(options))
        service.ExitSearchService();
    return status;
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
    return Start(arguments.options);
}

} // namespace

int main(int argc, char** argv)
{
    ShareOneHeapAcrossThreads();
    Stamp("main");
    if (!CheckStandardOutput(kProgram))
        return 1;
    const int status = Run(ParseSearchArguments(ProgramArguments(argc, argv)));
    // Output that did not arrive is a failure whatever the search found.
    const int code = CloseStandardOutput(kProgram) ? status : 1;
    if (LogEnabled())
        return code; // the service's end, and its closing lines, come with the static objects'
    // Everything owed is written; receive threads still winding down are not waited for.
    std::fflush(stderr);
    std::_Exit(code);
}
