#include "os/LocalAddresses.h"

#include <algorithm>
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

// The interface's own broadcast setting is not used: an address added without "brd" has none,
// yet its subnet's broadcast address still reaches the subnet.
std::vector<LocalNetwork> UsableNetworks(const std::vector<InterfaceIPv4>& entries)
{
    std::vector<LocalNetwork> networks;
    for (const InterfaceIPv4& entry : entries) {
        if (!entry.up || entry.loopback)
            continue;
        LocalNetwork network;
        network.address = address_v4(entry.address).to_string();
        network.interfaceIndex = entry.interfaceIndex;
        network.prefixLength = std::min(entry.prefixLength, 32u);
        if (entry.broadcast)
            network.broadcast = SubnetBroadcast(network.address, entry.prefixLength);
        networks.push_back(std::move(network));
    }
    return networks;
}

std::vector<LocalNetwork> ListLocalIPv4Networks(boost::system::error_code& error)
{
    return UsableNetworks(ListInterfaceIPv4(error));
}

std::vector<std::string> ListLocalIPv4Addresses(boost::system::error_code& error)
{
    std::vector<std::string> addresses;
    for (LocalNetwork& network : ListLocalIPv4Networks(error))
        addresses.push_back(std::move(network.address));
    return addresses;
}
