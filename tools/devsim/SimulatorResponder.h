#pragma once

#include "SimulatedDevices.h"
#include "SimulatorOptions.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

enum class QueryChannel
{
    Broadcast, // heard on port 68
    Ssdp,      // heard on the group's port 1900
};

// One datagram the simulator is to send.
struct OutgoingDatagram
{
    QueryChannel channel = QueryChannel::Ssdp; // the socket that sends it
    std::uint32_t source = 0;                  // a device's address (host byte order)
    std::uint32_t destination = 0;
    std::uint16_t port = 0;
    std::string payload;
    int delayMs = 0;
};

// Decides what the simulated devices send: answers to the queries they hear, their
// announcements, and any hostile traffic. No sockets, so every decision is testable.
class CSimulatorResponder
{
public:
    CSimulatorResponder(SimulatorOptions options, std::uint32_t seed);

    std::vector<OutgoingDatagram> Reply(QueryChannel channel, std::string_view datagram, std::uint32_t sender,
                                        std::uint16_t senderPort);
    // NOTIFY of every device to the group; nts is "ssdp:alive" or "ssdp:byebye".
    std::vector<OutgoingDatagram> Announce(std::string_view nts) const;
    // With --hostile answers, the answers every device sends although nobody asked: its SSDP
    // answer to the group and its broadcast answer to every searcher's port 67, as its
    // protocols allow, and both again to each of the answer targets. Nothing otherwise.
    std::vector<OutgoingDatagram> UnaskedAnswers() const;
    // Whether the devices send something of their own every second (forged announcers or
    // answerers) instead of answering queries.
    bool SendsEverySecond() const;

    const std::vector<SimulatedDevice>& Devices() const { return devices; }

private:
    int AnswerDelay(int maxSeconds);
    void AddHostile(std::vector<OutgoingDatagram>& out, QueryChannel channel, std::uint32_t sender,
                    std::uint16_t senderPort);

    SimulatorOptions options;
    std::vector<SimulatedDevice> devices;
    std::mt19937 random;
};

// Whether a datagram is an M-SEARCH for the storage device type (or for every type);
// maxWaitSeconds gets its MX value, capped at 5 s as SSDP devices do.
bool IsDeviceSearch(std::string_view datagram, int& maxWaitSeconds);
