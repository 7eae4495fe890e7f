#include "discovery/SearchDeviceMultiCommandThead.h"

#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/multicast.hpp>

#include "discovery/DiagnosticLog.h"

void CSearchDeviceMultiCommandThead::CreateWorkThread()
{
    WriteLog("SendThread %d : Create Search Device Work Thread   ", Port());
    try {
        const auto local = strIP.empty() ? boost::asio::ip::address_v4::any()
                                         : boost::asio::ip::make_address_v4(strIP);
        StartReceiving(local, [&local](udp::socket& socket) {
            // Send the request out of this worker's own network, so a machine on two
            // networks searches both.
            if (!local.is_unspecified())
                socket.set_option(boost::asio::ip::multicast::outbound_interface(local));
        });
    } catch (const std::exception& error) {
        FailCreate(error);
        if (bTestPort)
            RetryOnNextPort();
    }
}

void CSearchDeviceMultiCommandThead::ExitSearchThread()
{
    StopSocket();
    WriteLog("SendThread %d : Exit Search Device Tread , bExitSock : %d  ", Port(), 1);
}
