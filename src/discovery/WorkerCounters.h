#pragma once

// What one search worker did, for "why isn't my device found?": counters that the worker's
// threads bump with one relaxed atomic add each (cheap enough to stay on always), and the
// few rare facts (what it bound, what it could not do) as texts under a small lock.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include <boost/system/error_code.hpp>

// Why a received datagram did not put a device in the list.
enum class DropReason : std::size_t
{
    WrongLength,     // not the size of the worker's packet format
    NotDeviceAnswer, // queries, foreign SSDP traffic, announcements nobody acts on
    OtherVendor,     // a device of a maker outside the accepted list
    Repeat,          // the same report again since the last search
    RegistryFull,    // a new device while the list is at its cap
    Unreadable,      // one of our devices' texts with a piece missing
};
inline constexpr std::size_t kDropReasons = 6;

// The steps a worker can fail at outside the receive loop.
enum class WorkerStep : std::size_t
{
    Bind,
    Join,
    Send
};
inline constexpr std::size_t kWorkerSteps = 3;

// A plain copy of the counters and facts, taken at one moment.
struct WorkerSnapshot
{
    std::string boundAddress; // empty while nothing is bound
    std::int32_t boundPort = 0;
    std::array<std::string, kWorkerSteps> problems; // by WorkerStep; empty: none
    std::uint64_t queriesSent = 0;
    std::uint64_t queriesFailed = 0;
    std::uint64_t received = 0;
    std::array<std::uint64_t, kDropReasons> dropped{};
    std::uint64_t listed = 0;   // reports that put or kept a device in the list
    std::uint64_t goodbyes = 0; // byebye announcements handed to the list

    std::uint64_t Dropped(DropReason reason) const { return dropped[static_cast<std::size_t>(reason)]; }
    const std::string& Problem(WorkerStep step) const { return problems[static_cast<std::size_t>(step)]; }
};

// One worker as it was at one moment: what it is, the port it was given, and a copy of its
// counters and facts. A plain value, so a reader keeps it however long the worker lives.
struct WorkerFacts
{
    std::string kind;    // broadcast, ssdp or ssdp-address
    std::string localIP; // the address a per-address worker was made for; empty otherwise
    std::int32_t port = 0;
    WorkerSnapshot counters;
};

class WorkerCounters
{
public:
    void Received() { Bump(received); }
    void Drop(DropReason reason) { Bump(dropped[static_cast<std::size_t>(reason)]); }
    void Listed() { Bump(listed); }
    void Goodbye() { Bump(goodbyes); }
    // A query went out, or failed with error (its text is kept as the send problem).
    void Sent(const boost::system::error_code& error, std::int32_t port);
    // What the worker bound to; clears the bind problem.
    void Bound(const std::string& address, std::int32_t port);
    // The socket is gone (failed create, exit): nothing is bound any more.
    void Unbound();
    // Records what went wrong at step, in plain words; a success clears it.
    void Failed(WorkerStep step, const boost::system::error_code& error, std::int32_t port);
    void Failed(WorkerStep step, const std::string& text);
    void Succeeded(WorkerStep step);

    WorkerSnapshot Snapshot() const;
    // A new search begins: the counts and the send problem start again from nothing, so what
    // is read afterwards describes this search alone. What the socket is (bound, in its
    // group) stays, since it holds until something changes it, not for one search.
    void StartSearch();

    // The service applies a report on the reporting worker's own thread; while a worker hands
    // a report over, these count into that worker's counters (and do nothing otherwise).
    class Reporting
    {
    public:
        explicit Reporting(WorkerCounters& counters) : previous(reporter) { reporter = &counters; }
        ~Reporting() { reporter = previous; }
        Reporting(const Reporting&) = delete;
        Reporting& operator=(const Reporting&) = delete;

    private:
        WorkerCounters* previous;
    };
    static void ReporterDrop(DropReason reason)
    {
        if (reporter != nullptr)
            reporter->Drop(reason);
    }
    static void ReporterListed()
    {
        if (reporter != nullptr)
            reporter->Listed();
    }
    static void ReporterGoodbye()
    {
        if (reporter != nullptr)
            reporter->Goodbye();
    }

private:
    // The worker whose report the service is applying on this thread, if any.
    static inline thread_local WorkerCounters* reporter = nullptr;

    static void Bump(std::atomic<std::uint64_t>& counter) { counter.fetch_add(1, std::memory_order_relaxed); }

    std::atomic<std::uint64_t> queriesSent{0};
    std::atomic<std::uint64_t> queriesFailed{0};
    std::atomic<std::uint64_t> received{0};
    std::array<std::atomic<std::uint64_t>, kDropReasons> dropped{};
    std::atomic<std::uint64_t> listed{0};
    std::atomic<std::uint64_t> goodbyes{0};

    mutable std::mutex factsLock; // guards the facts below
    std::string boundAddress;
    std::int32_t boundPort = 0;
    std::array<std::string, kWorkerSteps> problems;
};

// A socket error at step in words a user can act on; the port is the worker's own.
std::string PlainSocketError(WorkerStep step, const boost::system::error_code& error, std::int32_t port);
