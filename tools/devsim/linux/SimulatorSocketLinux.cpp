#include "devsim/SimulatorSocket.h"

#include "discovery/DottedIPv4.h"
#include "discovery/SearchProtocol.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace simsocket {
namespace {

volatile std::sig_atomic_t g_stopRequested = 0;
sigset_t g_waitMask;

extern "C" void RequestStop(int)
{
    g_stopRequested = 1;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(address);
    endpoint.sin_port = htons(port);
    return endpoint;
}

bool SetFlag(int fd, int level, int name)
{
    const int on = 1;
    return setsockopt(fd, level, name, &on, sizeof on) == 0;
}

} // namespace

// Blocks SIGINT and SIGTERM except while waiting in ppoll, so a stop request can never slip
// in between the flag test and the wait.
void CatchStopRequests()
{
    struct sigaction action
    {
    };
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &g_waitMask);
    sigdelset(&g_waitMask, SIGINT);
    sigdelset(&g_waitMask, SIGTERM);
}

bool StopRequested()
{
    return g_stopRequested != 0;
}

Handle OpenShared(std::uint16_t port, std::string& error)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return kNone;
    }
    // Several simulators may share a namespace; broadcast and group datagrams reach them all.
    const sockaddr_in any = Endpoint(INADDR_ANY, port);
    if (!SetFlag(fd, SOL_SOCKET, SO_REUSEADDR) || !SetFlag(fd, SOL_SOCKET, SO_BROADCAST) ||
        bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        error = "port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return kNone;
    }
    return fd;
}

bool JoinSsdpGroup(Handle socket, std::string& error)
{
    const int fd = static_cast<int>(socket);
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(ParseDottedIPv4(wire::kSsdpGroup)->to_uint());
    request.imr_interface.s_addr = htonl(INADDR_ANY);
    const int off = 0;
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0 &&
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &off, sizeof off) == 0)
        return true;
    error = std::string("joining ") + std::string(wire::kSsdpGroup) + ": " + std::strerror(errno);
    return false;
}

void Close(Handle socket)
{
    if (socket != kNone)
        close(static_cast<int>(socket));
}

std::array<bool, 2> Wait(const std::array<Handle, 2>& sockets, int waitMs)
{
    std::array<pollfd, 2> fds{
        {{static_cast<int>(sockets[0]), POLLIN, 0}, {static_cast<int>(sockets[1]), POLLIN, 0}}};
    const timespec timeout{waitMs / 1000, (waitMs % 1000) * 1000000L};
    if (ppoll(fds.data(), fds.size(), &timeout, &g_waitMask) <= 0)
        return {false, false};
    return {(fds[0].revents & POLLIN) != 0, (fds[1].revents & POLLIN) != 0};
}

std::optional<Datagram> ReceiveNow(Handle socket)
{
    std::array<char, 65536> buffer;
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    const ssize_t n = recvfrom(static_cast<int>(socket), buffer.data(), buffer.size(), MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (n < 0)
        return std::nullopt;
    return Datagram{std::string(buffer.data(), static_cast<std::size_t>(n)), ntohl(sender.sin_addr.s_addr),
                    ntohs(sender.sin_port)};
}

// IP_PKTINFO picks the source of this one datagram.
bool SendFrom(Handle socket, std::uint32_t source, std::uint32_t destination, std::uint16_t port,
              std::string_view payload, std::string& error)
{
    sockaddr_in target = Endpoint(destination, port);
    iovec data{const_cast<char*>(payload.data()), payload.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &target;
    message.msg_namelen = sizeof target;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(source);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    if (sendmsg(static_cast<int>(socket), &message, 0) >= 0)
        return true;
    error = std::strerror(errno);
    return false;
}

} // namespace simsocket
