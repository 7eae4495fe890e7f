#pragma once

#include "discovery/SearchDeviceMulticastThread.h"

// The SSDP search bound to one local address and its own port (1530, 1550, ...). It does
// not join the group: it hears only the answers to its own requests, so a search goes out
// once from every local address.
class CSearchDeviceMultiCommandThead : public CSearchDeviceMulticastThread
{
public:
    using CSearchDeviceMulticastThread::CSearchDeviceMulticastThread;
    ~CSearchDeviceMultiCommandThead() override = default;

    const char* KindName() const override { return "ssdp-address"; }
    void ExitSearchThread() override;
    // Sets the outgoing interface again when the interface holding this worker's address
    // is another one than before (re-created, or the address moved): the setting names the
    // interface, not the address.
    void RenewNetwork(const std::vector<LocalNetwork>& networks, bool networkChanged) override;

protected:
    // Bound to its own address (a text that is not an address fails the create), and sends
    // out of that address's interface; it does not join the group.
    boost::asio::ip::address_v4 BindAddress() const override;
    void PrepareSocket(udp::socket& socket) override;

private:
    unsigned outboundIndex = 0; // under the socket lock: the interface last set, 0 unknown
};
