#pragma once

// The few places where the system's socket layer behaves differently from one platform to
// the next. The build picks one implementation file (linux/SocketPlatformLinux.cpp or
// win/SocketPlatformWin.cpp); the workers call these and stay the same everywhere.

#include <cstddef>
#include <memory>
#include <string>

#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/udp.hpp>

namespace socketplatform {

using udp = boost::asio::ip::udp;

// Opens a worker's IPv4 socket, kept from the programs the process starts from its first
// moment, whichever thread starts them: one inherited would hold the worker's port (67, 1900)
// for as long as such a program runs, and a restarted search could not bind it. Throws
// boost::system::system_error as the socket's own open does.
void OpenReceiveSocket(udp::socket& socket);

// Readies a freshly opened worker socket for receiving: a deep receive queue, so a burst of
// hundreds of answers is not dropped, and no receive failures for earlier sends that went
// nowhere (only real socket failures end a receive).
void PrepareReceiveSocket(udp::socket& socket, int queueBytes);

// Lets other sockets bind the same port, so the SSDP worker shares port 1900 with the
// system's own SSDP listeners and every one of them gets the group's datagrams.
void SharePort(udp::socket& socket);

// Where a received datagram went: the address it was sent to (a group, a broadcast address,
// or one of this machine's own) and the index of the interface it came in through; the
// any-address and 0 where the system did not tell.
struct DatagramArrival
{
    boost::asio::ip::address_v4 destination;
    unsigned interfaceIndex = 0;
};

// One receive that does not wait: the error is would_block when no datagram is queued. A
// datagram longer than the area is cut to it and counts as received.
std::size_t ReceiveDatagram(udp::socket& socket, boost::asio::mutable_buffer area, udp::endpoint& sender,
                            DatagramArrival& arrival, boost::system::error_code& error);

// Ends a receive thread's wait for a datagram from another thread: the receiver then runs
// what was handed to it, or sees that it is to exit. A wake given while nobody waits ends the
// next wait.
class ReceiveWaker
{
public:
    ReceiveWaker(); // throws boost::system::system_error when the system has no handle to spare
    ~ReceiveWaker();
    ReceiveWaker(const ReceiveWaker&) = delete;
    ReceiveWaker& operator=(const ReceiveWaker&) = delete;

    // Any thread.
    void Wake();
    // The receive thread: waits until the socket has a datagram (or an error) to receive, true,
    // or until a wake, false. Each wake ends one wait.
    bool WaitForDatagram(udp::socket& socket);

private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};

// Which program holds a local UDP port, as "name (process N)", where the system tells (on
// Linux only for processes the user may look into); empty otherwise.
std::string UdpPortHolder(int port);
// Whether any socket holds a local UDP port now, whoever's it is.
bool UdpPortInUse(int port);

} // namespace socketplatform
