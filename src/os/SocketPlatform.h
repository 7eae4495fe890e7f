#pragma once

// The few places where the system's socket layer behaves differently from one platform to
// the next. The build picks one implementation file (linux/SocketPlatformLinux.cpp or
// win/SocketPlatformWin.cpp); the workers call these and stay the same everywhere.

#include <cstddef>
#include <string>

#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/udp.hpp>

namespace socketplatform {

using udp = boost::asio::ip::udp;

// Readies a freshly opened worker socket for receiving: a deep receive queue, so a burst of
// hundreds of answers is not dropped, and no receive failures for earlier sends that went
// nowhere (only real socket failures end a receive). The socket is kept from the programs
// the process starts: one inherited would hold the worker's port (67, 1900) for as long as
// such a program runs, and a restarted search could not bind it.
void PrepareReceiveSocket(udp::socket& socket, int queueBytes);

// Lets other sockets bind the same port, so the SSDP worker shares port 1900 with the
// system's own SSDP listeners and every one of them gets the group's datagrams.
void SharePort(udp::socket& socket);

// One blocking receive. A datagram longer than the area is cut to it and counts as received.
// destination is the address the datagram was sent to (a group or a broadcast address, or
// one of this machine's own), or the any-address where the platform does not tell.
std::size_t ReceiveDatagram(udp::socket& socket, boost::asio::mutable_buffer area, udp::endpoint& sender,
                            boost::asio::ip::address_v4& destination, boost::system::error_code& error);

// Wakes the thread blocked in a receive on the socket without closing it under that thread's
// feet; the woken receiver sees its exit flag and closes the socket itself.
void WakeReceiver(udp::socket& socket);

// Which program holds a local UDP port, as "name (process N)", where the system tells (on
// Linux only for processes the user may look into); empty otherwise.
std::string UdpPortHolder(int port);

} // namespace socketplatform
