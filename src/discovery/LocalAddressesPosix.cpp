#include "discovery/LocalAddresses.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include <boost/asio/ip/address_v4.hpp>

namespace {

using boost::asio::ip::address_v4;

bool IsUsableIPv4(const ifaddrs& entry)
{
    return entry.ifa_addr != nullptr && entry.ifa_addr->sa_family == AF_INET
        && (entry.ifa_flags & IFF_UP) != 0 && (entry.ifa_flags & IFF_LOOPBACK) == 0;
}

address_v4 AddressOf(const sockaddr* address)
{
    if (address == nullptr || address->sa_family != AF_INET)
        return address_v4::any();
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return address_v4(ntohl(ipv4.sin_addr.s_addr));
}

// The interface's own broadcast setting is not used: an address added without "brd" has
// none, yet its subnet's broadcast address still reaches the subnet.
LocalNetwork NetworkOf(const ifaddrs& entry)
{
    const address_v4 address = AddressOf(entry.ifa_addr);
    const unsigned prefix = static_cast<unsigned>(std::popcount(AddressOf(entry.ifa_netmask).to_uint()));
    LocalNetwork network;
    network.address = address.to_string();
    network.interfaceIndex = entry.ifa_name == nullptr ? 0 : ::if_nametoindex(entry.ifa_name);
    if ((entry.ifa_flags & IFF_BROADCAST) != 0)
        network.broadcast = SubnetBroadcast(network.address, prefix);
    return network;
}

} // namespace

std::vector<LocalNetwork> ListLocalIPv4Networks(boost::system::error_code& error)
{
    error.clear();
    std::vector<LocalNetwork> networks;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        error = boost::system::error_code(errno, boost::system::system_category());
        return networks;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (IsUsableIPv4(*entry))
            networks.push_back(NetworkOf(*entry));
    }
    ::freeifaddrs(list);
    return networks;
}

