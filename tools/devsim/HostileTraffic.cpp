#include "HostileTraffic.h"

#include "SimulatedDevices.h"
#include "SimulatorOptions.h"
#include "discovery/SearchProtocol.h"

#include <array>

namespace {

// Flood datagrams go out at about this many per millisecond, so the flood stresses the
// searcher's registry instead of only overflowing its socket buffer.
constexpr int kFloodPerMillisecond = 20;
constexpr std::array<std::size_t, 4> kOversizedLengths{1025, 1500, 4096, 65000};
constexpr int kBinaryCount = 16;
constexpr const char* kFormatText = "%s%n%s%n%x%p";

std::string ForgedAnswer(bool ssdpChannel, const wire::SsdpDevice& device)
{
    return ssdpChannel ? wire::FormatSsdpAnswer(device) : BroadcastAnswerBytes(device);
}

wire::SsdpDevice FloodDevice(int i)
{
    wire::SsdpDevice device;
    device.uuid = "flood-" + std::to_string(i);
    // Only a text inside the answer: nothing is ever sent to it.
    device.ip = "198.18." + std::to_string(128 + (i / 254) % 128) + "." + std::to_string(1 + i % 254);
    device.vendor = kHostileVendor;
    device.host = "forged" + std::to_string(i);
    device.product = "NAS";
    return device;
}

wire::SsdpDevice FormatDevice()
{
    wire::SsdpDevice device;
    device.uuid = kFormatText;
    device.ip = "198.18.127.1";
    device.vendor = kHostileVendor;
    device.host = kFormatText;
    device.product = kFormatText;
    device.detail = kFormatText;
    device.osVersion = kFormatText;
    return device;
}

std::string RandomBytes(std::size_t length, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

void AddBinary(std::vector<HostilePayload>& out, std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> length(1, 1024);
    for (int i = 0; i < kBinaryCount; ++i) {
        // Every fourth one has the answer's length and opcode, so it reaches the item parser.
        const bool answerShaped = i % 4 == 0;
        std::string bytes = RandomBytes(answerShaped ? wire::kSearchPacketSize : length(random), random);
        if (answerShaped)
            bytes[0] = static_cast<char>(wire::kAnswerOpcode);
        out.push_back({std::move(bytes), 0});
    }
}

void AddOversized(std::vector<HostilePayload>& out, bool ssdpChannel)
{
    const std::string start = ForgedAnswer(ssdpChannel, FloodDevice(0));
    for (std::size_t length : kOversizedLengths) {
        std::string bytes = start;
        bytes.resize(length, 'A');
        out.push_back({std::move(bytes), 0});
    }
}

} // namespace

std::vector<HostilePayload> MakeHostileTraffic(unsigned kinds, bool ssdpChannel, int floodCount,
                                               std::mt19937& random)
{
    std::vector<HostilePayload> out;
    if (kinds & kHostileZeroLength)
        out.insert(out.end(), 3, HostilePayload{});
    if (kinds & kHostileOversized)
        AddOversized(out, ssdpChannel);
    if (kinds & kHostileBinary)
        AddBinary(out, random);
    if (kinds & kHostileFormat)
        out.push_back({ForgedAnswer(ssdpChannel, FormatDevice()), 0});
    if (kinds & kHostileFlood) {
        for (int i = 0; i < floodCount; ++i)
            out.push_back({ForgedAnswer(ssdpChannel, FloodDevice(i)), i / kFloodPerMillisecond});
    }
    return out;
}
