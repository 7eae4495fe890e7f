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

// The hosts file's text with the address added as a line of its own at the end (unchanged
// when a line already holds it), or with every line that holds it removed. Other lines, the
// comments among them, stay as they are.
std::string WithDirectHost(std::string content, const boost::asio::ip::address_v4& address);
std::string WithoutDirectHost(const std::string& content, const boost::asio::ip::address_v4& address);

// The hosts file under `dataRoot`, for a message.
std::string DirectHostsPath(const std::wstring& dataRoot);

// What became of an edit of the hosts file. An edit never leaves a file that DirectHostsOf
// would refuse or cut short: the user hears why instead of finding the address unsearched.
enum class HostsFileEdit
{
    Done,     // changed, or already as asked
    ListFull, // it lists kMaxDirectHosts addresses: one more would never be searched
    FileFull, // it would grow past kMaxHostsFileBytes, and the whole list would be ignored
    ReadOnly, // the user made it read-only: it is left as it is
    Failed,   // it could not be read or written: `error` says why
};

// Adds the address to, or removes it from, the hosts file under `dataRoot`, replacing the
// file whole.
HostsFileEdit AddDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                            std::string& error);
HostsFileEdit RemoveDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                               std::string& error);
