#include "discovery/WorkerCounters.h"

#include <initializer_list>

namespace {

std::string NotPermitted(WorkerStep step, const boost::system::error_code& error, std::int32_t port)
{
    // A send that a firewall rule drops fails with "operation not permitted"; "permission
    // denied" is what a send to a broadcast address gets from a socket not made to broadcast.
    if (step != WorkerStep::Bind && error == boost::system::errc::operation_not_permitted)
        return "not permitted (a firewall rule may block it)";
    if (step != WorkerStep::Bind)
        return "not permitted to send to that address (it may be a broadcast address)";
    if (port < 1024)
        return "not permitted: see the README on port " + std::to_string(port);
    return "not permitted to use port " + std::to_string(port);
}

} // namespace

std::string PlainSocketError(WorkerStep step, const boost::system::error_code& error, std::int32_t port)
{
    namespace errc = boost::system::errc;
    if (error == errc::address_in_use)
        return "port " + std::to_string(port) + " is in use by another program";
    if (error == errc::permission_denied || error == errc::operation_not_permitted)
        return NotPermitted(step, error, port);
    if (error == errc::address_not_available)
        return "the address is not on this machine (any more)";
    if (error == errc::no_such_device)
        return step == WorkerStep::Join ? "no network interface to join the group on"
                                        : "the network interface went away";
    if (error == errc::network_unreachable || error == errc::network_down)
        return "no network to send to";
    if (error == errc::bad_file_descriptor)
        return "it has no socket, since it could not bind";
    if (error == errc::host_unreachable)
        return "no route to the devices' network";
    return error.message();
}

void WorkerCounters::Sent(const boost::system::error_code& error, std::int32_t port)
{
    if (!error) {
        Bump(queriesSent);
        return;
    }
    Bump(queriesFailed);
    Failed(WorkerStep::Send, error, port);
}

void WorkerCounters::Bound(const std::string& address, std::int32_t port)
{
    std::lock_guard lock(factsLock);
    boundAddress = address;
    boundPort = port;
    problems[static_cast<std::size_t>(WorkerStep::Bind)].clear();
}

void WorkerCounters::Unbound()
{
    std::lock_guard lock(factsLock);
    boundAddress.clear();
    boundPort = 0;
}

void WorkerCounters::Failed(WorkerStep step, const boost::system::error_code& error, std::int32_t port)
{
    Failed(step, PlainSocketError(step, error, port));
}

void WorkerCounters::Failed(WorkerStep step, const std::string& text)
{
    std::lock_guard lock(factsLock);
    problems[static_cast<std::size_t>(step)] = text;
}

void WorkerCounters::Succeeded(WorkerStep step)
{
    std::lock_guard lock(factsLock);
    problems[static_cast<std::size_t>(step)].clear();
}

WorkerSnapshot WorkerCounters::Snapshot() const
{
    WorkerSnapshot snapshot;
    constexpr auto relaxed = std::memory_order_relaxed;
    snapshot.queriesSent = queriesSent.load(relaxed);
    snapshot.queriesFailed = queriesFailed.load(relaxed);
    snapshot.received = received.load(relaxed);
    for (std::size_t i = 0; i < kDropReasons; ++i)
        snapshot.dropped[i] = dropped[i].load(relaxed);
    snapshot.listed = listed.load(relaxed);
    snapshot.goodbyes = goodbyes.load(relaxed);
    std::lock_guard lock(factsLock);
    snapshot.boundAddress = boundAddress;
    snapshot.boundPort = boundPort;
    snapshot.problems = problems;
    return snapshot;
}

void WorkerCounters::StartSearch()
{
    // A datagram counted by the receive thread meanwhile lands in one search or the other;
    // the sends of the new search are counted after this, since they are made after it.
    constexpr auto relaxed = std::memory_order_relaxed;
    for (std::atomic<std::uint64_t>* count : {&queriesSent, &queriesFailed, &received, &listed, &goodbyes})
        count->store(0, relaxed);
    for (std::atomic<std::uint64_t>& count : dropped)
        count.store(0, relaxed);
    std::lock_guard lock(factsLock);
    problems[static_cast<std::size_t>(WorkerStep::Send)].clear();
}
