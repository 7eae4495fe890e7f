#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/DeviceRecord.h"
#include "discovery/DeviceRegistry.h"
#include "discovery/DeviceReportSink.h"
#include "discovery/SearchDeviceThread.h"
#include "discovery/SearchEventLoop.h"
#include "os/LocalAddresses.h"

// The process-wide search service: starts the search workers (broadcast, SSDP, and one
// SSDP command worker per local IPv4 address), sends a search through every worker on
// request, and keeps the registry of found devices that the window reads.
//
// A search sends its queries at once and repeats them on the service's own thread (a lost
// datagram then hides no device); that thread also follows the network's changes and
// renews what the workers' sockets hold of it.
//
// Threads: Start, Send, Clear, Copy and Exit run on the owner's (main) thread; the repeats
// and the network follow-up run on the service's thread. The worker table is guarded by
// the worker lock, which both take and which is never held while waiting for a report.
// OnDeviceFound runs on the worker threads and hands the report to the registry, which
// applies reports one at a time under its own lock (DeviceRegistry.h); Clear and Copy take
// that lock alone. The worker lock and the registry's lock are never held together.
class CSearchDeviceService : public CDeviceReportSink
{
public:
    enum class WorkerKind
    {
        Broadcast,
        Multicast,
        Command
    };

    // What a service binds and asks the machine for; the defaults are the real ones.
    struct Options
    {
        std::int32_t broadcastPort = wire::kBroadcastLocalPort;
        std::int32_t multicastPort = wire::kSsdpPort;
        std::int32_t firstCommandPort = wire::kFirstCommandPort;
        // The local addresses; empty means the machine's own interfaces.
        std::function<std::vector<std::string>()> localAddresses;
        // The local networks the workers' sockets are renewed against; empty: the machine's.
        std::function<std::vector<LocalNetwork>()> localNetworks;
        // When a search's queries are sent again, after the first sending.
        CSearchEventLoop::Delays resendDelays{std::chrono::milliseconds(1000),
                                              std::chrono::milliseconds(2000)};
        // Follow the network's change messages as they come (else only each search checks).
        bool watchNetwork = true;
        // Makes a worker of a kind, reporting to the given sink; empty means the real classes.
        std::function<std::unique_ptr<CSearchDeviceThread>(WorkerKind, CDeviceReportSink*)> makeWorker;
        // How long a command worker outlives its address, so a link that drops and comes
        // back keeps its worker.
        std::chrono::milliseconds addressGrace = std::chrono::seconds(30);
    };

    // TRAVELKIN_SEARCH_SENDS (1 to 3) sends each search that many times instead (for measuring).
    static constexpr int kMaxSearchSends = 3;
    static constexpr std::chrono::milliseconds kExitWait{2000};
    // Command workers whose address is gone and whose grace has not run out yet, at most; the
    // longest gone ends first when another address goes, so churning addresses cannot pile
    // up threads and sockets.
    static constexpr std::size_t kMaxGoneWorkers = 8;

    static CSearchDeviceService& Instance(); // the process-wide service, created on first use

    CSearchDeviceService();
    explicit CSearchDeviceService(Options options);
    ~CSearchDeviceService() override;
    CSearchDeviceService(const CSearchDeviceService&) = delete;
    CSearchDeviceService& operator=(const CSearchDeviceService&) = delete;

    int StartSearchService(); // returns 0; nothing once exited
    int SendSearchRequest();  // returns 0; nothing before start or once exited
    // StartSearchService and SendSearchRequest in one (only the search once started), with
    // one look at the local addresses for both.
    int StartAndSearch();
    void ClearDevices();
    std::vector<DeviceRecord> CopyDevices();
    // The found devices, for what the window's two calls above do not cover: a listener,
    // ageing and expiry, the count.
    CDeviceRegistry& Registry();
    // Where SendSearchRequest also sends the broadcast query and the SSDP search directly,
    // for devices that broadcast and multicast do not reach. Once a search was sent, an
    // address not in the last list is searched at once, the others not again: an address
    // added during a search is heard from while that search's list is still shown.
    void SetDirectHosts(std::vector<boost::asio::ip::address_v4> hosts);
    // Tells the service's thread and every worker to stop, without waiting for them: the
    // search is over, what it found stays readable, and the threads end while the caller
    // reports it. Nothing is sent after this.
    void StopSearching();
    // Tells every worker to exit (unless StopSearching did) and joins their receive threads,
    // all within kExitWait. A thread that has not ended by then (held up in a report) is
    // joined when its worker goes with the service.
    void ExitSearchService();

    void OnDeviceFound(const DeviceRecord& device, std::int32_t nPort) override;
    // Adds a command worker for every local address that has none yet, and ends those whose
    // address has been gone for longer than the grace.
    void ScanLocalAddresses();

    // The worker table in creation order, each worker copied under the worker lock: what it
    // is and what it did in the last search. A copy, since a worker whose address went may be
    // deleted on the service's thread at any time after the lock is released.
    std::vector<WorkerFacts> CopyWorkers() const;

private:
    using Clock = std::chrono::steady_clock;
    struct SearchThreadEntry
    {
        std::string strIP; // empty for the broadcast and SSDP workers
        std::unique_ptr<CSearchDeviceThread> worker;
        std::int32_t commandPort = 0;               // the port it was given (a port retry may have moved it)
        std::optional<Clock::time_point> goneSince; // when its address was last missed
    };
    std::unique_ptr<CSearchDeviceThread> MakeWorker(WorkerKind kind);
    // Makes and starts a worker; false, with a log line, when it cannot be made.
    bool AddWorker(WorkerKind kind, const std::string& strIP, std::int32_t nPort, bool bTestPort);
    bool HasWorkerFor(const std::string& strIP) const;
    // With the worker lock held: marks the service stopped and tells every worker to exit
    // (once), then waits for their threads.
    void TellWorkersToExitLocked();
    void WaitForWorkersLocked();
    // The steps of the public operations, with the worker lock held.
    // One look at the machine's interfaces: the addresses the command workers are for and
    // the networks their sockets are renewed against.
    struct LocalScan
    {
        std::vector<std::string> addresses;
        std::vector<LocalNetwork> networks;
        boost::system::error_code error;
    };
    LocalScan ScanLocalNetworks() const;
    static void LogLocalIPList(const LocalScan& scan);
    void ScanLocalAddressesLocked();
    void AddCommandWorkersLocked(const LocalScan& scan);
    void FollowLocalNetworksLocked(bool networkChanged);
    void NoteGoneAddressesLocked(const std::vector<std::string>& ipList, Clock::time_point now);
    // Tells the workers whose grace ran out (and the longest gone beyond kMaxGoneWorkers) to
    // exit, and deletes those whose thread has ended.
    void RetireGoneWorkersLocked(Clock::time_point now);
    void ReapRetiredLocked();
    // Asks the service's thread to look again when a grace runs out or a worker is ending.
    void ScheduleRetirementCheckLocked(Clock::time_point now);
    // The lowest command port that no worker holds.
    std::int32_t FreeCommandPortLocked() const;
    // Renews the workers' group membership and outgoing interfaces where they went stale.
    void RenewNetworkLocked(std::vector<LocalNetwork> networks, bool networkChanged);
    void SendToEveryWorkerLocked(const wire::SearchPacket& query);
    // The steps of a start and of a search, with the worker lock held.
    // Makes the workers, each with its receive thread, and starts the service's thread.
    void StartLocked();
    void SendQueriesLocked();
    // On the service's thread.
    void ResendSearch();
    void FollowNetworkChange();
    void SendDirectSearchesLocked(const wire::SearchPacket& query,
                                  const std::vector<boost::asio::ip::address_v4>& hosts);

    Options options;
    CDeviceRegistry registry;      // has its own lock
    mutable std::mutex workerLock; // guards everything below
    std::vector<boost::asio::ip::address_v4> directHosts;
    std::vector<SearchThreadEntry> workerTable;
    // Workers told to exit because their address went, until their thread has ended.
    std::vector<std::unique_ptr<CSearchDeviceThread>> retiredWorkers;
    std::vector<LocalNetwork> lastNetworks;
    // The start's look at the interfaces until the first search has used it.
    std::optional<LocalScan> startScan;
    bool started = false;
    bool searched = false; // a search was sent: direct hosts added from now on are searched at once
    bool stopped = false;
    CSearchEventLoop::Delays resendDelays;
    CSearchEventLoop loop; // last: its thread ends before anything it uses goes
};
