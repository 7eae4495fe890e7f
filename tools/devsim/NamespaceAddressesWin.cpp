#include "NamespaceAddresses.h"

#include "discovery/LocalAddresses.h"

#include <boost/asio/ip/address_v4.hpp>

// Windows has no network namespaces: the simulator's devices need addresses of this machine.
std::set<std::uint32_t> NamespaceAddresses()
{
    std::set<std::uint32_t> addresses{0x7F000001};   // 127.0.0.1, which the adapter list leaves out
    boost::system::error_code error;
    for (const std::string& text : ListLocalIPv4Addresses(error)) {
        const auto address = boost::asio::ip::make_address_v4(text, error);
        if (!error)
            addresses.insert(address.to_uint());
    }
    return addresses;
}

std::string NamespaceName()
{
    return {};
}
