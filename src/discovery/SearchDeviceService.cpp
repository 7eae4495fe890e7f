#include "discovery/SearchDeviceService.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>

#include "discovery/DiagnosticLog.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMultiCommandThead.h"
#include "discovery/SearchDeviceMulticastThread.h"
#include "os/LocalAddresses.h"
#include "os/LocalFile.h"

namespace {

// Diagnostics only: the log is off unless this names a file.
constexpr const char* kLogVariable = "TRAVELKIN_LOG";

// Measuring only: how many times a search is sent (the window and tools send it three times).
constexpr const char* kSendsVariable = "TRAVELKIN_SEARCH_SENDS";

// Tests only: a lower cap of the device list, so a slow receive (under Wine) fills it.
constexpr const char* kListCapVariable = "TRAVELKIN_LIST_CAP";

// The list's cap the environment asks for, if it names one from 1 to the list's own cap.
std::optional<std::size_t> ListCapFromEnvironment()
{
    const char* text = std::getenv(kListCapVariable);
    if (text == nullptr)
        return std::nullopt;
    const std::string_view value(text, strnlen(text, 5));
    std::size_t cap = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), cap);
    if (error != std::errc() || end != value.data() + value.size() || cap < 1 ||
        cap > CDeviceRegistry::kMaxDevices)
        return std::nullopt; // not a cap we take: the list keeps its own
    return cap;
}

// The log's settings are cleared at each start; only the environment turns it on.
void ResetLogSettings()
{
    ClearLogSettings();
    // Read as UTF-8 on every system: the path may lie in an account folder of any name.
    const std::string path = EnvironmentText(kLogVariable);
    if (!path.empty() && SetLogPath(path))
        SetLogEnabled(true);
}

// The repeats of a search: all of them unless the environment asks for fewer sends.
CSearchEventLoop::Delays ResendDelaysFromEnvironment(CSearchEventLoop::Delays delays)
{
    const char* text = std::getenv(kSendsVariable);
    if (text == nullptr)
        return delays;
    const std::string_view value(text, strnlen(text, 2));
    if (value.size() != 1 || value[0] < '1' || value[0] > '0' + CSearchDeviceService::kMaxSearchSends)
        return delays; // not a count we know: keep the normal search
    delays.resize(std::min<std::size_t>(delays.size(), static_cast<std::size_t>(value[0] - '1')));
    return delays;
}

std::unique_ptr<CSearchDeviceThread> MakeRealWorker(CSearchDeviceService::WorkerKind kind,
                                                    CDeviceReportSink* sink)
{
    using Kind = CSearchDeviceService::WorkerKind;
    switch (kind) {
    case Kind::Broadcast:
        return std::make_unique<CSearchDeviceBroadcastThread>(sink);
    case Kind::Multicast:
        return std::make_unique<CSearchDeviceMulticastThread>(sink);
    case Kind::Command:
        break;
    }
    return std::make_unique<CSearchDeviceMultiCommandThead>(sink);
}

} // namespace

CSearchDeviceService& CSearchDeviceService::Instance()
{
    static CSearchDeviceService service;
    return service;
}

CSearchDeviceService::CSearchDeviceService() : CSearchDeviceService(Options{}) {}

CSearchDeviceService::CSearchDeviceService(Options settings) : options(std::move(settings)) {}

CSearchDeviceService::~CSearchDeviceService()
{
    loop.Stop();
    std::lock_guard lock(workerLock);
    if (!stopped) {
        TellWorkersToExitLocked();
        WaitForWorkersLocked();
    }
    // A worker joins its receive thread before it goes; every thread was told to exit.
    workerTable.clear();
    retiredWorkers.clear();
}

int CSearchDeviceService::StartSearchService()
{
    ResetLogSettings();
    std::lock_guard lock(workerLock);
    if (started || stopped)
        return 0;
    StartLocked();
    return 0;
}

int CSearchDeviceService::StartAndSearch()
{
    ResetLogSettings();
    std::lock_guard lock(workerLock);
    if (stopped)
        return 0;
    // Every thread of the service is made before the first query goes out: made after it,
    // they compete for the processor with the first answers, and with a burst of answers
    // (many devices) the first device was listed later than with the threads made first.
    if (!started)
        StartLocked();
    SendQueriesLocked();
    loop.ScheduleResends(resendDelays);
    return 0;
}

void CSearchDeviceService::StartLocked()
{
    started = true;
    resendDelays = ResendDelaysFromEnvironment(options.resendDelays);
    if (const auto cap = ListCapFromEnvironment())
        registry.SetCap(*cap);
    // One look at the interfaces serves the start and the first search after it; the
    // network watcher, started with the loop, reports any change after this look.
    startScan = ScanLocalNetworks();
    lastNetworks = startScan->networks; // what the workers are about to be made for
    AddWorker(WorkerKind::Broadcast, {}, options.broadcastPort, false);
    AddWorker(WorkerKind::Multicast, {}, options.multicastPort, false);
    AddCommandWorkersLocked(*startScan);
    loop.Start([this] { ResendSearch(); }, [this] { FollowNetworkChange(); }, options.watchNetwork);
}

std::unique_ptr<CSearchDeviceThread> CSearchDeviceService::MakeWorker(WorkerKind kind)
{
    return options.makeWorker ? options.makeWorker(kind, this) : MakeRealWorker(kind, this);
}

bool CSearchDeviceService::AddWorker(WorkerKind kind, const std::string& strIP, std::int32_t nPort,
                                     bool bTestPort)
{
    try {
        auto worker = MakeWorker(kind);
        worker->InitSearchThread(strIP.c_str(), nPort, bTestPort);
        workerTable.push_back(
            {strIP, std::move(worker), kind == WorkerKind::Command ? nPort : 0, std::nullopt});
        return true;
    } catch (const std::exception& error) {
        // Out of descriptors or threads: the search goes on with the workers it has, and the
        // next scan tries again.
        WriteLog("Add Search Device Work Thread Error : IP = %s, port %d : %s  ", strIP.c_str(), nPort,
                 error.what());
        return false;
    }
}

bool CSearchDeviceService::HasWorkerFor(const std::string& strIP) const
{
    return std::any_of(workerTable.begin(), workerTable.end(),
                       [&](const SearchThreadEntry& entry) { return entry.strIP == strIP; });
}

void CSearchDeviceService::ScanLocalAddresses()
{
    std::lock_guard lock(workerLock);
    ScanLocalAddressesLocked();
}

void CSearchDeviceService::ScanLocalAddressesLocked()
{
    AddCommandWorkersLocked(ScanLocalNetworks());
}

void CSearchDeviceService::AddCommandWorkersLocked(const LocalScan& scan)
{
    LogLocalIPList(scan);
    const std::vector<std::string>& ipList = scan.addresses;
    const Clock::time_point now = Clock::now();
    NoteGoneAddressesLocked(ipList, now);
    RetireGoneWorkersLocked(now);
    for (const std::string& ip : ipList) {
        // An address that came back within its grace finds its worker still there.
        if (HasWorkerFor(ip))
            continue;
        const std::int32_t port = FreeCommandPortLocked();
        if (port > CSearchDeviceThread::kHighestPort) {
            WriteLog("Add Search Device Work Thread Error : IP = %s, port %d is above %d  ", ip.c_str(), port,
                     CSearchDeviceThread::kHighestPort);
            continue;
        }
        AddWorker(WorkerKind::Command, ip, port, true);
    }
    ScheduleRetirementCheckLocked(now);
}

CSearchDeviceService::LocalScan CSearchDeviceService::ScanLocalNetworks() const
{
    // The machine's interfaces are walked once; the options stand in for either part.
    LocalScan scan;
    if (!options.localNetworks || !options.localAddresses)
        scan.networks = ListLocalIPv4Networks(scan.error);
    if (options.localNetworks)
        scan.networks = options.localNetworks();
    if (options.localAddresses) {
        scan.addresses = options.localAddresses();
        scan.error.clear();
        return scan;
    }
    for (const LocalNetwork& network : scan.networks)
        scan.addresses.push_back(network.address);
    return scan;
}

void CSearchDeviceService::LogLocalIPList(const LocalScan& scan)
{
    WriteLog("Get Current Local IP Info ");
    for (const std::string& ip : scan.addresses)
        WriteLog("Get Current Local IP, IP = %s  ", ip.c_str());
    if (scan.error)
        WriteLog("Add To Mulitcast Group Error : %s   ", scan.error.message().c_str());
}

void CSearchDeviceService::RenewNetworkLocked(std::vector<LocalNetwork> networks, bool networkChanged)
{
    // A started service has seen the networks once; a change since then may have left
    // memberships and interface settings behind on interfaces that are gone.
    networkChanged = networkChanged || networks != lastNetworks;
    lastNetworks = std::move(networks);
    for (auto& entry : workerTable)
        entry.worker->RenewNetwork(lastNetworks, networkChanged);
}

// Looks at the interfaces once and brings the workers up to date with what it found: a
// worker for each new address, and sockets renewed against the networks.
void CSearchDeviceService::FollowLocalNetworksLocked(bool networkChanged)
{
    LocalScan scan = ScanLocalNetworks();
    AddCommandWorkersLocked(scan);
    RenewNetworkLocked(std::move(scan.networks), networkChanged);
}

int CSearchDeviceService::SendSearchRequest()
{
    std::lock_guard lock(workerLock);
    if (!started || stopped)
        return 0; // no workers to send through, and none may be made after the exit
    SendQueriesLocked();
    loop.ScheduleResends(resendDelays);
    return 0;
}

void CSearchDeviceService::SendQueriesLocked()
{
    WriteLog("SendMessage : pdhcp is NULL ");
    const wire::SearchPacket query = wire::MakeSearchQuery();
    const bool justStarted = startScan.has_value();
    if (startScan) {
        // The start has just looked and made the workers for what it saw.
        RenewNetworkLocked(std::move(startScan->networks), false);
        startScan.reset();
    } else {
        FollowLocalNetworksLocked(false);
    }
    searched = true;
    for (auto& entry : workerTable) {
        // A mend, not a retry loop: a worker whose port was taken at its create (often by an
        // instance of ours that was still ending) would otherwise search without its socket
        // for the rest of the session, though the holder may have let the port go since.
        // Each search after the start gives it one more create.
        if (!justStarted)
            entry.worker->CreateAgainIfFailed();
        entry.worker->ResetDeviceInfo();
        entry.worker->StartSearchCounts(); // before its sends, which count in this search
        entry.worker->SendSearchCommand(query);
    }
    SendDirectSearchesLocked(query, directHosts);
}

void CSearchDeviceService::SendToEveryWorkerLocked(const wire::SearchPacket& query)
{
    for (auto& entry : workerTable)
        entry.worker->SendSearchCommand(query);
    SendDirectSearchesLocked(query, directHosts);
}

void CSearchDeviceService::ResendSearch()
{
    std::lock_guard lock(workerLock);
    if (stopped)
        return;
    WriteLog("SendMessage : Send Search Request Again ");
    SendToEveryWorkerLocked(wire::MakeSearchQuery());
}

void CSearchDeviceService::FollowNetworkChange()
{
    std::lock_guard lock(workerLock);
    if (stopped)
        return;
    WriteLog("Network Changed : Renew Search Device Work Threads ");
    startScan.reset();
    FollowLocalNetworksLocked(true);
}

void CSearchDeviceService::SetDirectHosts(std::vector<boost::asio::ip::address_v4> hosts)
{
    std::lock_guard lock(workerLock); // the resends read them on the service's thread
    std::vector<boost::asio::ip::address_v4> added;
    for (const auto& host : hosts) {
        if (std::find(directHosts.begin(), directHosts.end(), host) == directHosts.end() &&
            std::find(added.begin(), added.end(), host) == added.end())
            added.push_back(host);
    }
    directHosts = std::move(hosts);
    // The search's repeats may be over: without this the address would wait for the next one.
    if (!searched || stopped || added.empty())
        return;
    WriteLog("SendMessage : Send Search Request To %d Added Hosts ", static_cast<int>(added.size()));
    SendDirectSearchesLocked(wire::MakeSearchQuery(), added);
}

void CSearchDeviceService::SendDirectSearchesLocked(const wire::SearchPacket& query,
                                                    const std::vector<boost::asio::ip::address_v4>& hosts)
{
    // The broadcast worker (port 67) and the SSDP worker (port 1900) carry the direct
    // searches; one of each is enough to draw both kinds of answer.
    for (auto& entry : workerTable) {
        if (!entry.strIP.empty())
            continue;
        for (const auto& host : hosts)
            entry.worker->SendDirectSearch(query, host);
    }
}

void CSearchDeviceService::TellWorkersToExitLocked()
{
    if (stopped)
        return; // told already
    stopped = true;
    for (auto& entry : workerTable)
        entry.worker->ExitSearchThread();
}

void CSearchDeviceService::WaitForWorkersLocked()
{
    // One bound for all: the threads end together, each joined as soon as it has.
    const auto deadline = std::chrono::steady_clock::now() + kExitWait;
    for (auto& entry : workerTable)
        entry.worker->WaitUntilStopped(deadline);
    for (auto& worker : retiredWorkers)
        worker->WaitUntilStopped(deadline);
}

void CSearchDeviceService::StopSearching()
{
    loop.RequestStop();
    std::lock_guard lock(workerLock);
    TellWorkersToExitLocked();
}

void CSearchDeviceService::ExitSearchService()
{
    // The loop's thread and the receive threads are all told first and end side by side;
    // a repeat or renewal that runs meanwhile finds the service stopped and does nothing.
    StopSearching();
    {
        std::lock_guard lock(workerLock);
        WaitForWorkersLocked();
    }
    loop.Stop(); // no repeat and no renewal after this
    WriteLogClosing();
}

std::vector<WorkerFacts> CSearchDeviceService::CopyWorkers() const
{
    std::lock_guard lock(workerLock); // a retirement deletes workers under it
    std::vector<WorkerFacts> workers;
    workers.reserve(workerTable.size());
    for (const auto& entry : workerTable) {
        const CSearchDeviceThread& worker = *entry.worker;
        workers.push_back({worker.KindName(), worker.LocalIP(), worker.Port(), worker.Diagnosis()});
    }
    return workers;
}

void CSearchDeviceService::OnDeviceFound(const DeviceRecord& device, std::int32_t nPort)
{
    registry.Report(device, nPort);
}

void CSearchDeviceService::ClearDevices()
{
    registry.Clear();
}

std::vector<DeviceRecord> CSearchDeviceService::CopyDevices()
{
    return registry.Copy();
}

CDeviceRegistry& CSearchDeviceService::Registry()
{
    return registry;
}
