#include "os/SocketPlatform.h"

#include <iphlpapi.h>
#include <mswsock.h>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

namespace socketplatform {

void OpenReceiveSocket(udp::socket& socket)
{
    socket.open(udp::v4());
    const SOCKET handle = socket.native_handle();
    ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
}

void PrepareReceiveSocket(udp::socket& socket, int queueBytes)
{
    // Winsock takes any receive queue size it is asked for (no forced variant is needed).
    // It also fails the next receive with WSAECONNRESET after a send drew a port-unreachable
    // answer, which would restart the worker; that report is switched off.
    const SOCKET handle = socket.native_handle();
    ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&queueBytes),
                 sizeof queueBytes);
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(handle, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
    // Each datagram then tells the address it was sent to and the interface it came in on
    // (read by WSARecvMsg only).
    const DWORD on = 1;
    ::setsockopt(handle, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on), sizeof on);
}

void SharePort(udp::socket& socket)
{
    // Here SO_REUSEADDR lets any later socket take the port over even while it is in use;
    // that is what sharing 1900 with the system's SSDP service needs, and group datagrams
    // still reach every socket that joined.
    socket.set_option(boost::asio::socket_base::reuse_address(true));
}

namespace {

// WSARecvMsg is an extension of Winsock, reached through a pointer that a socket is asked for.
// Every IPv4 UDP socket gives the same one, so it is asked for once, until it is given.
LPFN_WSARECVMSG MessageReceive(SOCKET handle)
{
    static std::atomic<LPFN_WSARECVMSG> known{nullptr};
    LPFN_WSARECVMSG receive = known.load();
    if (receive != nullptr)
        return receive;
    GUID id = WSAID_WSARECVMSG;
    DWORD returned = 0;
    if (::WSAIoctl(handle, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &receive, sizeof receive,
                   &returned, nullptr, nullptr) != 0)
        return nullptr;
    known.store(receive);
    return receive;
}

// Where the datagram went, from the IP_PKTINFO item among the message's control data.
DatagramArrival ArrivalOf(WSAMSG& message)
{
    DatagramArrival arrival;
    for (WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message); header != nullptr;
         header = WSA_CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO)
            continue;
        IN_PKTINFO info{};
        std::memcpy(&info, WSA_CMSG_DATA(header), sizeof info);
        arrival.destination = boost::asio::ip::address_v4(::ntohl(info.ipi_addr.s_addr));
        arrival.interfaceIndex = info.ipi_ifindex;
    }
    return arrival;
}

} // namespace

std::size_t ReceiveDatagram(udp::socket& socket, boost::asio::mutable_buffer area, udp::endpoint& sender,
                            DatagramArrival& arrival, boost::system::error_code& error)
{
    arrival = {};
    // Winsock fails the receive of a datagram longer than the area (WSAEMSGSIZE). No datagram
    // is longer than 64 KiB: receive into an area of that size and keep the head.
    thread_local std::array<char, 65536> whole;
    const SOCKET handle = socket.native_handle();
    // Winsock has no flag for a receive that does not wait: the socket does not wait for it.
    boost::system::error_code ignored;
    socket.non_blocking(true, ignored);
    const LPFN_WSARECVMSG receive = MessageReceive(handle);
    if (receive == nullptr) {
        // Without it, where a datagram went stays unknown, and no datagram counts as an answer.
        const std::size_t count = socket.receive_from(boost::asio::buffer(whole), sender, 0, error);
        socket.non_blocking(false, ignored);
        return boost::asio::buffer_copy(area, boost::asio::buffer(whole.data(), count));
    }
    sockaddr_in from{};
    WSABUF data{static_cast<ULONG>(whole.size()), whole.data()};
    alignas(WSACMSGHDR) std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
    WSAMSG message{};
    message.name = reinterpret_cast<LPSOCKADDR>(&from);
    message.namelen = sizeof from;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = {static_cast<ULONG>(control.size()), control.data()};
    DWORD count = 0;
    const int failure = receive(handle, &message, &count, nullptr, nullptr) == 0 ? 0 : ::WSAGetLastError();
    socket.non_blocking(false, ignored);
    if (failure != 0) {
        error.assign(failure, boost::asio::error::get_system_category());
        return 0;
    }
    error.clear();
    sender =
        udp::endpoint(boost::asio::ip::address_v4(::ntohl(from.sin_addr.s_addr)), ::ntohs(from.sin_port));
    arrival = ArrivalOf(message);
    return boost::asio::buffer_copy(area, boost::asio::buffer(whole.data(), count));
}

// Winsock waits on sockets only: a wake is an empty datagram that a socket of the waker's
// own, on loopback, sends to itself.
struct ReceiveWaker::Handles
{
    SOCKET wake = INVALID_SOCKET;
    sockaddr_in self{};
};

ReceiveWaker::ReceiveWaker() : handles(std::make_unique<Handles>())
{
    // Asio has started Winsock as the program started.
    SOCKET wake = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    u_long nonBlocking = 1;
    if (wake == INVALID_SOCKET || ::bind(wake, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        ::getsockname(wake, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        ::ioctlsocket(wake, FIONBIO, &nonBlocking) != 0) {
        const int error = ::WSAGetLastError();
        if (wake != INVALID_SOCKET)
            ::closesocket(wake);
        throw boost::system::system_error(error, boost::system::system_category(), "wake socket");
    }
    ::SetHandleInformation(reinterpret_cast<HANDLE>(wake), HANDLE_FLAG_INHERIT, 0);
    handles->wake = wake;
    handles->self = self;
}

ReceiveWaker::~ReceiveWaker()
{
    ::closesocket(handles->wake);
}

void ReceiveWaker::Wake()
{
    ::sendto(handles->wake, "", 0, 0, reinterpret_cast<const sockaddr*>(&handles->self),
             sizeof handles->self);
}

bool ReceiveWaker::WaitForDatagram(udp::socket& socket)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket.native_handle(), &readable);
    FD_SET(handles->wake, &readable);
    if (::select(0, &readable, nullptr, nullptr, nullptr) <= 0 || !FD_ISSET(handles->wake, &readable))
        return true; // a datagram, or an error the receive then reports
    std::array<char, 16> wake;
    while (::recv(handles->wake, wake.data(), static_cast<int>(wake.size()), 0) >= 0) {
    }
    return false;
}

} // namespace socketplatform

namespace socketplatform {

namespace {

std::string ProcessName(DWORD pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return {};
    std::array<wchar_t, MAX_PATH> path{};
    DWORD length = static_cast<DWORD>(path.size());
    const BOOL named = ::QueryFullProcessImageNameW(process, 0, path.data(), &length);
    ::CloseHandle(process);
    if (!named)
        return {};
    std::wstring_view wide(path.data(), length);
    wide = wide.substr(wide.find_last_of(L'\\') + 1); // the program's file name
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                            0, nullptr, nullptr);
    std::string name(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), name.data(), bytes, nullptr,
                          nullptr);
    return name;
}

// Who holds a local UDP port, from the system's table of UDP sockets.
struct PortOwner
{
    bool known = false;         // the table could be read
    std::optional<DWORD> owner; // the holding process; none when nothing holds the port
};

PortOwner UdpPortOwner(int port)
{
    // The table's size changes between the calls when sockets come and go: asked again then.
    std::vector<unsigned char> table;
    DWORD size = 0;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 4 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        table.resize(size);
        result = ::GetExtendedUdpTable(table.empty() ? nullptr : table.data(), &size, FALSE, AF_INET,
                                       UDP_TABLE_OWNER_PID, 0);
    }
    if (result != NO_ERROR)
        return {};
    const auto* rows = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(table.data());
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
        const MIB_UDPROW_OWNER_PID& row = rows->table[i];
        if (::ntohs(static_cast<u_short>(row.dwLocalPort)) == port)
            return {true, row.dwOwningPid};
    }
    return {true, std::nullopt};
}

} // namespace

std::string UdpPortHolder(int port)
{
    const std::optional<DWORD> owner = UdpPortOwner(port).owner;
    if (!owner)
        return {};
    const std::string name = ProcessName(*owner);
    return (name.empty() ? std::string("a program") : name) + " (process " + std::to_string(*owner) + ")";
}

bool UdpPortInUse(int port)
{
    const PortOwner found = UdpPortOwner(port);
    return !found.known || found.owner.has_value(); // a table that cannot be read frees nothing
}

} // namespace socketplatform
