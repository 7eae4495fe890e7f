#pragma once

// The data folder's hosts file: the addresses of devices behind a router or a VPN, which
// broadcast and multicast do not reach and which a search therefore asks directly.

#include <boost/asio/ip/address_v4.hpp>

#include <cstddef>
#include <string>
#include <vector>

// A list of addresses typed by hand: a larger file, or one that is not a regular file (a FIFO,
// a link to a device), is ignored with a log line; addresses past the count are dropped.
inline constexpr std::size_t kMaxHostsFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxDirectHosts = 1024;

// The addresses listed in the hosts file under `dataRoot`; none when there is no such file.
// Lines that are not an address are skipped with a log line each.
std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot);
