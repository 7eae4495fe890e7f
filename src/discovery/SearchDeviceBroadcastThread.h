#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include <boost/asio/ip/address_v4.hpp>

#include "discovery/SearchDeviceThread.h"

// Finds devices with the private broadcast query: sends the 148-byte query from port 67 to
// port 68 of 255.255.255.255 and of every local network's broadcast address, and turns each
// 148-byte answer into a device report.
class CSearchDeviceBroadcastThread : public CSearchDeviceThread
{
public:
    using CSearchDeviceThread::CSearchDeviceThread;
    ~CSearchDeviceBroadcastThread() override = default;

    int SendSearchCommand(const wire::SearchPacket& packet) override;
    int SendDirectSearch(const wire::SearchPacket& packet, const boost::asio::ip::address_v4& host) override;
    void HandleRecvInfo(const char* data, std::size_t length, const char* senderIP) override;
    const char* KindName() const override { return "broadcast"; }
    // Keeps the networks the queries go to, so a search does not look at the interfaces again.
    void RenewNetwork(const std::vector<LocalNetwork>& networks, bool networkChanged) override;

    // Where a query goes: 255.255.255.255 first, then each local subnet's broadcast address.
    static std::vector<boost::asio::ip::address_v4>
    BroadcastTargets(const std::vector<LocalNetwork>& networks);

protected:
    // Port 67 is fixed: a failed create is not retried on another port, whatever the retry
    // setting says.
    void PrepareSocket(udp::socket& socket) override;
    const char* CreateLineEnd() const override { return " "; }

private:
    // The networks of the last renewal; before any, each search looks at the interfaces itself.
    std::vector<LocalNetwork> CurrentNetworks();

    std::mutex networksLock; // guards networks
    std::optional<std::vector<LocalNetwork>> networks;
};
