#include "discovery/LocalAddresses.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>

#include <boost/asio/ip/address_v4.hpp>

namespace {

bool IsUsableIPv4(const ifaddrs& entry)
{
    return entry.ifa_addr != nullptr && entry.ifa_addr->sa_family == AF_INET
        && (entry.ifa_flags & IFF_UP) != 0 && (entry.ifa_flags & IFF_LOOPBACK) == 0;
}

std::string DottedText(const sockaddr* address)
{
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return boost::asio::ip::address_v4(ntohl(ipv4.sin_addr.s_addr)).to_string();
}

} // namespace

std::vector<std::string> ListLocalIPv4Addresses(boost::system::error_code& error)
{
    error.clear();
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        error = boost::system::error_code(errno, boost::system::system_category());
        return addresses;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (IsUsableIPv4(*entry))
            addresses.push_back(DottedText(entry->ifa_addr));
    }
    ::freeifaddrs(list);
    return addresses;
}
