#include "DeviceSimulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void RequestStop(int)
{
    g_stopRequested = 1;
}

// Blocks SIGINT and SIGTERM except while waiting in ppoll, so a stop request can never slip
// in between the flag test and the wait.
sigset_t BlockStopSignals()
{
    struct sigaction action{};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stopSignals;
    sigset_t previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    sigdelset(&previous, SIGINT);
    sigdelset(&previous, SIGTERM);
    return previous;
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

bool JoinGroup(int fd)
{
    ip_mreq request{};
    inet_pton(AF_INET, std::string(wire::kSsdpGroup).c_str(), &request.imr_multiaddr);
    request.imr_interface.s_addr = htonl(INADDR_ANY);
    const int off = 0;
    return setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0
        && setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &off, sizeof off) == 0;
}

} // namespace

CDeviceSimulator::CDeviceSimulator(const SimulatorOptions& options)
    : m_options(options)
    , m_responder(options, std::random_device{}())
{
}

CDeviceSimulator::~CDeviceSimulator()
{
    for (int fd : {m_broadcastSocket, m_ssdpSocket}) {
        if (fd >= 0)
            close(fd);
    }
}

int CDeviceSimulator::OpenSocket(std::uint16_t port, std::string& error)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    // Several simulators may share a namespace; broadcast and group datagrams reach them all.
    const sockaddr_in any = Endpoint(INADDR_ANY, port);
    if (!SetFlag(fd, SOL_SOCKET, SO_REUSEADDR) || !SetFlag(fd, SOL_SOCKET, SO_BROADCAST)
        || bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        error = "port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

bool CDeviceSimulator::Open(std::string& error)
{
    if (m_options.broadcast) {
        m_broadcastSocket = OpenSocket(wire::kBroadcastDevicePort, error);
        if (m_broadcastSocket < 0)
            return false;
    }
    if (m_options.ssdp) {
        m_ssdpSocket = OpenSocket(wire::kSsdpPort, error);
        if (m_ssdpSocket < 0)
            return false;
        if (!JoinGroup(m_ssdpSocket)) {
            error = std::string("joining ") + std::string(wire::kSsdpGroup) + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

void CDeviceSimulator::Run()
{
    const sigset_t waitMask = BlockStopSignals();
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(m_options.seconds);
    Schedule(m_responder.Announce("ssdp:alive"));
    SendDue();
    std::array<pollfd, 2> fds{{{m_broadcastSocket, POLLIN, 0}, {m_ssdpSocket, POLLIN, 0}}};
    while (!g_stopRequested && Clock::now() < deadline) {
        const int waitMs = WaitMilliseconds(deadline);
        const timespec timeout{waitMs / 1000, (waitMs % 1000) * 1000000L};
        if (ppoll(fds.data(), fds.size(), &timeout, &waitMask) > 0) {
            if (fds[0].revents & POLLIN)
                Receive(m_broadcastSocket, QueryChannel::Broadcast);
            if (fds[1].revents & POLLIN)
                Receive(m_ssdpSocket, QueryChannel::Ssdp);
        }
        SendDue();
    }
    // Answers still waiting are dropped: a device that leaves does not answer any more.
    m_pending = {};
    for (const OutgoingDatagram& datagram : m_responder.Announce("ssdp:byebye"))
        Send(datagram);
}

int CDeviceSimulator::WaitMilliseconds(Clock::time_point deadline) const
{
    Clock::time_point until = deadline;
    if (!m_pending.empty() && m_pending.top().due < until)
        until = m_pending.top().due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    return wait > 0 ? static_cast<int>(wait) : 0;
}

void CDeviceSimulator::Receive(int fd, QueryChannel channel)
{
    std::array<char, 65536> buffer;
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (n < 0)
        return;
    std::vector<OutgoingDatagram> replies =
        m_responder.Reply(channel, std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                          ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port));
    if (!replies.empty())
        ++m_queries;
    Schedule(std::move(replies));
}

void CDeviceSimulator::Schedule(std::vector<OutgoingDatagram> datagrams)
{
    const Clock::time_point now = Clock::now();
    for (OutgoingDatagram& datagram : datagrams) {
        const Clock::time_point due = now + std::chrono::milliseconds(datagram.delayMs);
        m_pending.push({due, m_order++, std::move(datagram)});
    }
}

void CDeviceSimulator::SendDue()
{
    const Clock::time_point now = Clock::now();
    while (!m_pending.empty() && m_pending.top().due <= now) {
        Send(m_pending.top().datagram);
        m_pending.pop();
    }
}

// Sends from the device's own address: IP_PKTINFO picks the source of this one datagram, so
// one socket serves every simulated device.
void CDeviceSimulator::Send(const OutgoingDatagram& datagram)
{
    const int fd = datagram.channel == QueryChannel::Broadcast ? m_broadcastSocket : m_ssdpSocket;
    sockaddr_in destination = Endpoint(datagram.destination, datagram.port);
    iovec data{const_cast<char*>(datagram.payload.data()), datagram.payload.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(datagram.source);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    if (sendmsg(fd, &message, 0) >= 0) {
        ++m_sent;
    } else {
        ++m_failed;
        m_lastError = std::strerror(errno);
    }
}

std::string CDeviceSimulator::Summary() const
{
    return "answered " + std::to_string(m_queries) + " queries, sent " + std::to_string(m_sent)
        + " datagrams, " + std::to_string(m_failed) + " failed" + (m_failed ? " (" + m_lastError + ")" : "");
}
