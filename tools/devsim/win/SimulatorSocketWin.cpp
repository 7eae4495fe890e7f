#include "devsim/SimulatorSocket.h"

#include "discovery/DottedIPv4.h"
#include "discovery/SearchProtocol.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mswsock.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace simsocket {
namespace {

std::atomic<bool> g_stopRequested{false};

// Runs on a thread that the console starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    g_stopRequested = true;
    return TRUE;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(address);
    endpoint.sin_port = htons(port);
    return endpoint;
}

bool SetFlag(SOCKET socket, int level, int name, BOOL value)
{
    return setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

std::string LastError()
{
    return "Winsock error " + std::to_string(WSAGetLastError());
}

SOCKET Native(Handle socket)
{
    return static_cast<SOCKET>(socket);
}

// The stop request comes from another thread and cannot interrupt a wait, so waits are cut
// into slices short enough for a prompt stop.
constexpr int kLongestSliceMs = 50;

} // namespace

void CatchStopRequests()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopRequested()
{
    return g_stopRequested;
}

Handle OpenShared(std::uint16_t port, std::string& error)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        error = "WSAStartup failed";
        return kNone;
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket == INVALID_SOCKET) {
        error = "socket: " + LastError();
        return kNone;
    }
    // Several simulators may share a network; SO_REUSEADDR lets each of them bind the port.
    const sockaddr_in any = Endpoint(INADDR_ANY, port);
    if (!SetFlag(socket, SOL_SOCKET, SO_REUSEADDR, TRUE) ||
        !SetFlag(socket, SOL_SOCKET, SO_BROADCAST, TRUE) || !SetFlag(socket, IPPROTO_IP, IP_PKTINFO, TRUE) ||
        bind(socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        error = "port " + std::to_string(port) + ": " + LastError();
        closesocket(socket);
        return kNone;
    }
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
    return static_cast<Handle>(socket);
}

bool JoinSsdpGroup(Handle socket, std::string& error)
{
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(ParseDottedIPv4(wire::kSsdpGroup)->to_uint());
    request.imr_interface.s_addr = htonl(INADDR_ANY);
    if (setsockopt(Native(socket), IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                   sizeof request) == 0 &&
        SetFlag(Native(socket), IPPROTO_IP, IP_MULTICAST_LOOP, FALSE))
        return true;
    error = std::string("joining ") + std::string(wire::kSsdpGroup) + ": " + LastError();
    return false;
}

void Close(Handle socket)
{
    if (socket != kNone)
        closesocket(Native(socket));
}

std::array<bool, 2> Wait(const std::array<Handle, 2>& sockets, int waitMs)
{
    std::vector<WSAPOLLFD> fds;
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        if (sockets[i] != kNone) {
            fds.push_back({Native(sockets[i]), POLLRDNORM, 0});
            which.push_back(i);
        }
    }
    std::array<bool, 2> readable{false, false};
    if (fds.empty() || StopRequested()) {
        ::Sleep(static_cast<DWORD>(std::min(waitMs, kLongestSliceMs)));
        return readable;
    }
    if (WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), std::min(waitMs, kLongestSliceMs)) <= 0)
        return readable;
    for (std::size_t k = 0; k < fds.size(); ++k)
        readable[which[k]] = (fds[k].revents & POLLRDNORM) != 0;
    return readable;
}

std::optional<Datagram> ReceiveNow(Handle socket)
{
    std::vector<char> buffer(65536);
    sockaddr_in sender{};
    int senderLength = sizeof sender;
    const int n = recvfrom(Native(socket), buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (n < 0)
        return std::nullopt;
    return Datagram{std::string(buffer.data(), static_cast<std::size_t>(n)), ntohl(sender.sin_addr.s_addr),
                    ntohs(sender.sin_port)};
}

// IN_PKTINFO picks the source of this one datagram.
bool SendFrom(Handle socket, std::uint32_t source, std::uint32_t destination, std::uint16_t port,
              std::string_view payload, std::string& error)
{
    sockaddr_in target = Endpoint(destination, port);
    WSABUF data{static_cast<ULONG>(payload.size()), const_cast<char*>(payload.data())};
    alignas(WSACMSGHDR) std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr*>(&target);
    message.namelen = sizeof target;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = {static_cast<ULONG>(control.size()), control.data()};
    WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = WSA_CMSG_LEN(sizeof(IN_PKTINFO));
    IN_PKTINFO info{};
    info.ipi_addr.s_addr = htonl(source);
    std::memcpy(WSA_CMSG_DATA(header), &info, sizeof info);
    DWORD sent = 0;
    if (WSASendMsg(Native(socket), &message, 0, &sent, nullptr, nullptr) == 0)
        return true;
    error = LastError();
    return false;
}

} // namespace simsocket
