#include "discovery/SocketPlatform.h"

#include <fcntl.h>
#include <sys/socket.h>

namespace socketplatform {

void PrepareReceiveSocket(udp::socket& socket, int queueBytes)
{
    // The forced variant passes the system limit but needs privileges; the plain one is
    // capped. Without IP_RECVERR, port-unreachable answers never fail a receive here.
    const int handle = socket.native_handle();
    ::fcntl(handle, F_SETFD, ::fcntl(handle, F_GETFD) | FD_CLOEXEC);
    if (::setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &queueBytes, sizeof queueBytes) != 0)
        ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &queueBytes, sizeof queueBytes);
}

void SharePort(udp::socket& socket)
{
    socket.set_option(boost::asio::socket_base::reuse_address(true));
}

std::size_t ReceiveDatagram(udp::socket& socket, boost::asio::mutable_buffer area,
                            udp::endpoint& sender, boost::system::error_code& error)
{
    // A longer datagram is cut to the area without an error here.
    return socket.receive_from(area, sender, 0, error);
}

void WakeReceiver(udp::socket& socket)
{
    // Closing alone does not wake a blocked receive here; a shutdown does.
    boost::system::error_code ignored;
    socket.shutdown(udp::socket::shutdown_both, ignored);
}

} // namespace socketplatform
