#pragma once

#include <optional>
#include <string_view>

#include "discovery/SearchDeviceThread.h"

// Finds devices with SSDP on the private group: joins the group on port 1900, sends the
// M-SEARCH request and turns search answers and NOTIFY alive/byebye announcements into
// device reports. The per-address command worker shares its send and parser.
class CSearchDeviceMulticastThread : public CSearchDeviceThread
{
public:
    using CSearchDeviceThread::CSearchDeviceThread;
    ~CSearchDeviceMulticastThread() override = default;

    void ExitSearchThread() override;
    int SendSearchCommand(const wire::SearchPacket& packet) override;
    int SendDirectSearch(const wire::SearchPacket& packet, const boost::asio::ip::address_v4& host) override;
    void HandleRecvInfo(const char* data, std::size_t length, const char* senderIP) override;
    const char* KindName() const override { return "ssdp"; }
    // Joins the group again when the networks changed or the last join failed: a membership
    // belongs to the interface it was made on, and goes with it.
    void RenewNetwork(const std::vector<LocalNetwork>& networks, bool networkChanged) override;

    // The record an SSDP text describes, listed at senderIP, or nothing when the text is not
    // one of our devices' answers or announcements. Does not log and does not report.
    static std::optional<DeviceRecord> ParseSsdpText(std::string_view text, const char* senderIP);

protected:
    // Port 1900 is shared with the machine's other SSDP software, and the group is joined
    // before the bind.
    void PrepareSocket(udp::socket& socket) override;
    bool RetriesOnNextPort() const override { return bTestPort; }
    // Join or leave the group on the any-interface; a failure is logged and otherwise ignored.
    void AlterGroup(udp::socket& socket, bool join);

private:
    std::atomic<bool> groupJoined{false};
};
