#include "os/SocketPlatform.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <boost/system/system_error.hpp>

namespace socketplatform {

void OpenReceiveSocket(udp::socket& socket)
{
    // Close-on-exec set after the open would leave a moment in which a program started by
    // another thread (Log In's browser, My Storage's file manager) still gets the socket.
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle < 0)
        throw boost::system::system_error(errno, boost::system::system_category(), "socket");
    boost::system::error_code error;
    socket.assign(udp::v4(), handle, error);
    if (error) {
        ::close(handle);
        throw boost::system::system_error(error, "socket");
    }
}

void PrepareReceiveSocket(udp::socket& socket, int queueBytes)
{
    // The forced variant passes the system limit but needs privileges; the plain one is
    // capped. Without IP_RECVERR, port-unreachable answers never fail a receive here.
    const int handle = socket.native_handle();
    if (::setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &queueBytes, sizeof queueBytes) != 0)
        ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &queueBytes, sizeof queueBytes);
    // Each datagram then tells the address it was sent to and the interface it came in on.
    const int on = 1;
    ::setsockopt(handle, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
}

void SharePort(udp::socket& socket)
{
    socket.set_option(boost::asio::socket_base::reuse_address(true));
}

std::size_t ReceiveDatagram(udp::socket& socket, boost::asio::mutable_buffer area, udp::endpoint& sender,
                            DatagramArrival& arrival, boost::system::error_code& error)
{
    // A longer datagram is cut to the area without an error here.
    sockaddr_in from{};
    iovec data{area.data(), area.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    ssize_t count = 0;
    do {
        count = ::recvmsg(socket.native_handle(), &message, MSG_DONTWAIT);
    } while (count < 0 && errno == EINTR);
    arrival = {};
    if (count < 0) {
        error.assign(errno, boost::system::system_category());
        return 0;
    }
    error.clear();
    sender = udp::endpoint(boost::asio::ip::address_v4(ntohl(from.sin_addr.s_addr)), ntohs(from.sin_port));
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO)
            continue;
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(header), sizeof info);
        arrival.destination = boost::asio::ip::address_v4(ntohl(info.ipi_addr.s_addr));
        arrival.interfaceIndex = info.ipi_ifindex > 0 ? static_cast<unsigned>(info.ipi_ifindex) : 0;
    }
    return static_cast<std::size_t>(count);
}

struct ReceiveWaker::Handles
{
    int event = -1; // counts the wakes not yet seen
};

ReceiveWaker::ReceiveWaker() : handles(std::make_unique<Handles>())
{
    handles->event = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (handles->event < 0)
        throw boost::system::system_error(errno, boost::system::system_category(), "eventfd");
}

ReceiveWaker::~ReceiveWaker()
{
    ::close(handles->event);
}

void ReceiveWaker::Wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written =
        ::write(handles->event, &one, sizeof one); // full only after 2^64 wakes
}

bool ReceiveWaker::WaitForDatagram(udp::socket& socket)
{
    pollfd waits[2] = {{socket.native_handle(), POLLIN, 0}, {handles->event, POLLIN, 0}};
    int ready = 0;
    do {
        ready = ::poll(waits, 2, -1);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0 || (waits[1].revents & POLLIN) == 0)
        return true; // a datagram, or an error the receive then reports
    std::uint64_t wakes = 0;
    [[maybe_unused]] const ssize_t taken = ::read(handles->event, &wakes, sizeof wakes);
    return false;
}

} // namespace socketplatform

namespace socketplatform {

namespace {

// The socket inodes bound to a local UDP port, from the kernel's socket tables.
std::set<std::string> UdpPortInodes(int port)
{
    std::set<std::string> inodes;
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        std::ifstream lines(table);
        std::string line;
        std::getline(lines, line); // the column names
        while (std::getline(lines, line)) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                  timeout >> inode))
                continue;
            const std::size_t colon = local.rfind(':');
            if (colon != std::string::npos && std::strtol(local.c_str() + colon + 1, nullptr, 16) == port)
                inodes.insert(inode);
        }
    }
    return inodes;
}

} // namespace

bool UdpPortInUse(int port)
{
    // A table that cannot be read frees nothing.
    return !std::ifstream("/proc/net/udp") || !UdpPortInodes(port).empty();
}

std::string UdpPortHolder(int port)
{
    const std::set<std::string> inodes = UdpPortInodes(port);
    if (inodes.empty())
        return {};
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            const std::string target = std::filesystem::read_symlink(fd.path(), linkError).string();
            if (linkError || target.rfind("socket:[", 0) != 0 ||
                !inodes.contains(target.substr(8, target.size() - 9)))
                continue;
            std::string name;
            std::getline(std::ifstream(process.path() / "comm"), name);
            return name + " (process " + pid + ")";
        }
    }
    return {};
}

} // namespace socketplatform
