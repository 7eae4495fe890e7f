#include "os/LocalAddresses.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <bit>
#include <cerrno>
#include <cstring>

namespace {

std::uint32_t AddressOf(const sockaddr* address)
{
    if (address == nullptr || address->sa_family != AF_INET)
        return 0;
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return ntohl(ipv4.sin_addr.s_addr);
}

InterfaceIPv4 EntryOf(const ifaddrs& entry)
{
    InterfaceIPv4 found;
    found.address = AddressOf(entry.ifa_addr);
    found.prefixLength = static_cast<unsigned>(std::popcount(AddressOf(entry.ifa_netmask)));
    found.interfaceIndex = entry.ifa_name == nullptr ? 0 : ::if_nametoindex(entry.ifa_name);
    found.up = (entry.ifa_flags & IFF_UP) != 0;
    found.loopback = (entry.ifa_flags & IFF_LOOPBACK) != 0;
    found.broadcast = (entry.ifa_flags & IFF_BROADCAST) != 0;
    return found;
}

} // namespace

std::vector<InterfaceIPv4> ListInterfaceIPv4(boost::system::error_code& error)
{
    error.clear();
    std::vector<InterfaceIPv4> entries;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        error = boost::system::error_code(errno, boost::system::system_category());
        return entries;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET)
            entries.push_back(EntryOf(*entry));
    }
    ::freeifaddrs(list);
    return entries;
}
