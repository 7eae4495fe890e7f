#include "discovery/LocalAddresses.h"

#include <cstdint>

#include <boost/asio/ip/address_v4.hpp>

// The parts of the local address scan that are the same on every platform.

using boost::asio::ip::address_v4;

std::string SubnetBroadcast(const std::string& address, unsigned prefixLength)
{
    boost::system::error_code error;
    const address_v4 parsed = boost::asio::ip::make_address_v4(address, error);
    if (error || prefixLength >= 31)
        return {};
    const std::uint32_t hostBits = 0xFFFFFFFFu >> prefixLength;
    return address_v4(parsed.to_uint() | hostBits).to_string();
}

std::vector<std::string> ListLocalIPv4Addresses(boost::system::error_code& error)
{
    std::vector<std::string> addresses;
    for (LocalNetwork& network : ListLocalIPv4Networks(error))
        addresses.push_back(std::move(network.address));
    return addresses;
}
