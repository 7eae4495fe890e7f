#include "discovery/SearchDeviceMultiCommandThead.h"

#include <algorithm>

#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/multicast.hpp>

#include "discovery/DiagnosticLog.h"

boost::asio::ip::address_v4 CSearchDeviceMultiCommandThead::BindAddress() const
{
    return strIP.empty() ? boost::asio::ip::address_v4::any() : boost::asio::ip::make_address_v4(strIP);
}

void CSearchDeviceMultiCommandThead::PrepareSocket(udp::socket& socket)
{
    // Send the request out of this worker's own network, so a machine on two networks
    // searches both.
    outboundIndex = 0;
    const auto local = BindAddress();
    if (!local.is_unspecified())
        socket.set_option(boost::asio::ip::multicast::outbound_interface(local));
}

void CSearchDeviceMultiCommandThead::ExitSearchThread()
{
    StopSocket();
    WriteLog("SendThread %d : Exit Search Device Tread , bExitSock : %d  ", Port(), 1);
}

void CSearchDeviceMultiCommandThead::RenewNetwork(const std::vector<LocalNetwork>& networks,
                                                  bool networkChanged)
{
    CSearchDeviceThread::RenewNetwork(networks, networkChanged); // not the group's renewal
    const auto own = std::find_if(networks.begin(), networks.end(),
                                  [this](const LocalNetwork& network) { return network.address == strIP; });
    if (own == networks.end() || own->interfaceIndex == 0)
        return; // the address is not here now; it is renewed when it comes back
    WithSocket([this, index = own->interfaceIndex](udp::socket& socket) {
        if (!socket.is_open() || index == outboundIndex)
            return;
        boost::system::error_code error;
        socket.set_option(
            boost::asio::ip::multicast::outbound_interface(boost::asio::ip::make_address_v4(strIP, error)),
            error);
        if (error) {
            WriteLog("SendThread %d : Renew Multicast Interface Error : %s  ", Port(),
                     error.message().c_str());
            return;
        }
        outboundIndex = index;
        WriteLog("SendThread %d : Renew Multicast Interface, strIP : %s  ", Port(), strIP.c_str());
    });
}
