// Which datagrams a worker counts as answers to its own queries: those that came within the
// answer window of a query, sent to the arrival interface's own address from its network, or
// from a host the worker queried directly.

#include "discovery/SearchDeviceThread.h"

#include <algorithm>

void CSearchDeviceThread::QuerySent(const boost::system::error_code& error)
{
    counters.Sent(error, Port());
    if (!error)
        lastQueryTicks.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

bool CSearchDeviceThread::AnswerExpected() const
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto sent = lastQueryTicks.load();
    // No query yet: sent is the clock's earliest time, and the difference would overflow.
    const bool asked = sent != std::chrono::steady_clock::time_point::min().time_since_epoch().count() &&
                       now - sent <= answerWindowTicks.load();
    if (!asked || !datagramOrigin)
        return asked;
    std::lock_guard lock(answerLock);
    const auto direct = directQueries.find(datagramOrigin->sender.to_uint());
    const bool queriedDirectly =
        direct != directQueries.end() && now - direct->second <= answerWindowTicks.load();
    return MayBeAnswer(datagramOrigin->arrival, datagramOrigin->sender, answerNetworks, queriedDirectly);
}

void CSearchDeviceThread::QueriedDirectly(const boost::asio::ip::address_v4& host)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto window = answerWindowTicks.load();
    std::lock_guard lock(answerLock);
    if (!directQueries.contains(host.to_uint())) // a host added: those no longer queried go
        std::erase_if(directQueries, [&](const auto& query) { return now - query.second > window; });
    directQueries[host.to_uint()] = now;
}

namespace {

bool InSubnet(const boost::asio::ip::address_v4& address, const LocalNetwork& network)
{
    boost::system::error_code error;
    const auto own = boost::asio::ip::make_address_v4(network.address, error);
    const unsigned prefix = std::min(network.prefixLength, 32u);
    const std::uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    return !error && ((address.to_uint() ^ own.to_uint()) & mask) == 0;
}

} // namespace

bool CSearchDeviceThread::MayBeAnswer(const socketplatform::DatagramArrival& arrival,
                                      const boost::asio::ip::address_v4& sender,
                                      const std::vector<LocalNetwork>& networks, bool queriedDirectly)
{
    // The arrival interface's networks; where the platform did not name the interface, the
    // network of the address the datagram was sent to stands for them.
    const std::string destination = arrival.destination.to_string();
    const auto arrivedOn = [&](const LocalNetwork& network) {
        return arrival.interfaceIndex == 0 ? network.address == destination
                                           : network.interfaceIndex == arrival.interfaceIndex;
    };
    const bool toOwnAddress = std::any_of(networks.begin(), networks.end(), [&](const LocalNetwork& network) {
        return arrivedOn(network) && network.address == destination;
    });
    if (!toOwnAddress)
        return false; // a group, a broadcast address, another interface's address, or not told
    return queriedDirectly || std::any_of(networks.begin(), networks.end(), [&](const LocalNetwork& network) {
               return arrivedOn(network) && InSubnet(sender, network);
           });
}

void CSearchDeviceThread::SetAnswerWindow(std::chrono::milliseconds window)
{
    answerWindowTicks.store(std::chrono::duration_cast<std::chrono::steady_clock::duration>(window).count());
}
