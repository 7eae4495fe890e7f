#include "discovery/LocalAddresses.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstring>
#include <vector>

#include <boost/asio/ip/address_v4.hpp>

namespace {

bool IsUsable(const IP_ADAPTER_ADDRESSES& adapter)
{
    return adapter.OperStatus == IfOperStatusUp && adapter.IfType != IF_TYPE_SOFTWARE_LOOPBACK;
}

std::string DottedText(const SOCKADDR* address)
{
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return boost::asio::ip::address_v4(ntohl(ipv4.sin_addr.s_addr)).to_string();
}

} // namespace

std::vector<LocalNetwork> ListLocalIPv4Networks(boost::system::error_code& error)
{
    error.clear();
    std::vector<LocalNetwork> addresses;
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list can grow between the size query and the read: ask again while it does.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> area;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        area.assign(size, 0);
        result = ::GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(area.data()), &size);
    }
    if (result == ERROR_NO_DATA)
        return addresses;
    if (result != NO_ERROR) {
        error = boost::system::error_code(static_cast<int>(result), boost::system::system_category());
        return addresses;
    }
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(area.data()); adapter != nullptr;
         adapter = adapter->Next) {
        if (!IsUsable(*adapter))
            continue;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            if (unicast->Address.lpSockaddr == nullptr || unicast->Address.lpSockaddr->sa_family != AF_INET)
                continue;
            LocalNetwork network;
            network.address = DottedText(unicast->Address.lpSockaddr);
            network.broadcast = SubnetBroadcast(network.address, unicast->OnLinkPrefixLength);
            network.interfaceIndex = adapter->IfIndex;
            addresses.push_back(std::move(network));
        }
    }
    return addresses;
}
