#include "os/LocalAddresses.h"

#include <winsock2.h>

#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstring>
#include <vector>

namespace {

std::uint32_t AddressOf(const SOCKADDR* address)
{
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return ntohl(ipv4.sin_addr.s_addr);
}

// Every adapter reaches its subnet by broadcast here; the subnet comes from the on-link prefix.
InterfaceIPv4 EntryOf(const IP_ADAPTER_ADDRESSES& adapter, const IP_ADAPTER_UNICAST_ADDRESS& unicast)
{
    InterfaceIPv4 found;
    found.address = AddressOf(unicast.Address.lpSockaddr);
    found.prefixLength = unicast.OnLinkPrefixLength;
    found.interfaceIndex = adapter.IfIndex;
    found.up = adapter.OperStatus == IfOperStatusUp;
    found.loopback = adapter.IfType == IF_TYPE_SOFTWARE_LOOPBACK;
    found.broadcast = true;
    return found;
}

} // namespace

std::vector<InterfaceIPv4> ListInterfaceIPv4(boost::system::error_code& error)
{
    error.clear();
    std::vector<InterfaceIPv4> entries;
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
        return entries;
    if (result != NO_ERROR) {
        error = boost::system::error_code(static_cast<int>(result), boost::system::system_category());
        return entries;
    }
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(area.data()); adapter != nullptr;
         adapter = adapter->Next) {
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            if (unicast->Address.lpSockaddr != nullptr && unicast->Address.lpSockaddr->sa_family == AF_INET)
                entries.push_back(EntryOf(*adapter, *unicast));
        }
    }
    return entries;
}
