#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/system/error_code.hpp>

// One IPv4 address of an interface that is up and not loopback.
struct LocalNetwork
{
    std::string address;   // dotted text
    std::string broadcast; // the subnet's broadcast address; empty for /31 and /32
    unsigned interfaceIndex = 0;
    unsigned prefixLength = 32; // the length of the subnet's prefix

    bool operator==(const LocalNetwork&) const = default;
};

// One IPv4 address of one interface, as the system lists it.
struct InterfaceIPv4
{
    std::uint32_t address = 0; // host byte order
    unsigned prefixLength = 32;
    unsigned interfaceIndex = 0;
    bool up = false;
    bool loopback = false;
    bool broadcast = false; // the interface reaches its subnet by broadcast
};

// Every IPv4 address of every interface, in interface order: the walk over the system's
// interface list, the one part that differs between platforms (linux/LocalAddressesLinux.cpp,
// win/LocalAddressesWin.cpp). On failure returns what it has and sets error.
std::vector<InterfaceIPv4> ListInterfaceIPv4(boost::system::error_code& error);

// The entries of interfaces that are up and not loopback, in their order, each with its
// subnet's broadcast address where its interface broadcasts.
std::vector<LocalNetwork> UsableNetworks(const std::vector<InterfaceIPv4>& entries);

// The IPv4 addresses of the machine's interfaces that are up and not loopback, in
// interface order. On failure returns what it has and sets error.
std::vector<LocalNetwork> ListLocalIPv4Networks(boost::system::error_code& error);
// The same, as dotted address texts only.
std::vector<std::string> ListLocalIPv4Addresses(boost::system::error_code& error);
// The broadcast address of the subnet of address/prefixLength; empty when the subnet has
// none of its own (prefix 31 or 32) or the address is not dotted IPv4.
std::string SubnetBroadcast(const std::string& address, unsigned prefixLength);
