#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/ip/address_v4.hpp>

#include "os/LocalAddresses.h"

// Addresses that a search also reaches directly, for devices on another subnet (behind a
// router or a VPN) that broadcast and multicast never reach.

enum class HostKind
{
    Address,   // dotted IPv4
    Name,      // a host name that may be looked up
    Malformed, // neither (blanks, a port, an impossible dotted address, ...)
};

HostKind ClassifyHost(std::string_view text);

// Why a search cannot be sent to this address directly ("multicast", "broadcast", "the
// broadcast address of ..." for one of the local networks), or empty for a unicast address
// that a device can have. The command line and the hosts file both ask this, so they refuse
// the same addresses.
std::string NonUnicastReason(const boost::asio::ip::address_v4& address,
                             const std::vector<LocalNetwork>& networks);

// The address of a dotted IPv4 text, or of a host name looked up once through the system's
// resolver (IPv4 only). Nothing, with a reason in error, when that fails or the address is
// not a unicast one (networks: the local networks, whose broadcast addresses are not).
std::optional<boost::asio::ip::address_v4> ResolveHost(const std::string& text, std::string& error,
                                                       const std::vector<LocalNetwork>& networks);

// A hosts file: one dotted IPv4 address a line; "#" starts a comment; blank lines are
// ignored. Host names are not looked up here (the caller may be a window that must not
// wait on a resolver), so they are skipped like any other line that is not an address, and
// so is an address that is not a unicast one.
struct HostsFile
{
    std::vector<boost::asio::ip::address_v4> addresses;
    std::vector<std::string> skipped; // "line N: text", for the log
};

HostsFile ReadHostsFile(std::istream& in, const std::vector<LocalNetwork>& networks);
