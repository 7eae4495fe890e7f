#pragma once

// The data folder's hosts file: the addresses of devices behind a router or a VPN, which
// broadcast and multicast do not reach and which a search therefore asks directly.

#include <boost/asio/ip/address_v4.hpp>

#include <string>
#include <vector>

// The addresses listed in the hosts file under `dataRoot`; none when there is no such file.
// Lines that are not an address are skipped with a log line each.
std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot);
