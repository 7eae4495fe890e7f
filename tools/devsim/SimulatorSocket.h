#pragma once

// The simulator's sockets and its wait for traffic or a stop request: the part of the
// simulator that differs between platforms (one implementation file each).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace simsocket {

using Handle = std::intptr_t;
constexpr Handle kNone = -1;

struct Datagram
{
    std::string bytes;
    std::uint32_t address = 0; // sender, host byte order
    std::uint16_t port = 0;
};

// Catches Ctrl+C and termination requests; call before the first Wait.
void CatchStopRequests();
bool StopRequested();

// A UDP socket bound to the port on every address, sharing it with other simulators in the
// same network, allowed to broadcast. kNone with a reason on failure.
Handle OpenShared(std::uint16_t port, std::string& error);
// Joins the SSDP group on the default interface, without hearing its own group datagrams.
bool JoinSsdpGroup(Handle socket, std::string& error);
void Close(Handle socket);

// Waits up to waitMs for a datagram on either socket (kNone is skipped) or a stop request;
// returns which sockets have one.
std::array<bool, 2> Wait(const std::array<Handle, 2>& sockets, int waitMs);
// Takes one waiting datagram, if there is one.
std::optional<Datagram> ReceiveNow(Handle socket);
// Sends the payload from source (one of the machine's own addresses), so one socket serves
// every simulated device. False with the system's reason on failure.
bool SendFrom(Handle socket, std::uint32_t source, std::uint32_t destination, std::uint16_t port,
              std::string_view payload, std::string& error);

} // namespace simsocket
