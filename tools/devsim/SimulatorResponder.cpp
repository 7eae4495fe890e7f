#include "SimulatorResponder.h"

#include "HostileTraffic.h"
#include "common/ArgumentReader.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr int kBroadcastMaxWaitSeconds = 3;
constexpr int kMaxWaitCap = 5;

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

bool IsBroadcastQuery(std::string_view datagram)
{
    return datagram.size() == wire::kSearchPacketSize &&
           static_cast<std::uint8_t>(datagram[0]) == wire::kQueryOpcode;
}

} // namespace

bool IsDeviceSearch(std::string_view datagram, int& maxWaitSeconds)
{
    if (datagram.rfind("M-SEARCH ", 0) != 0)
        return false;
    bool wanted = false;
    maxWaitSeconds = 1;
    std::size_t start = 0;
    while (start < datagram.size()) {
        std::size_t end = datagram.find("\r\n", start);
        if (end == std::string_view::npos)
            end = datagram.size();
        const std::string_view line = datagram.substr(start, end - start);
        start = end + 2;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string name = UpperCase(Trim(line.substr(0, colon)));
        const std::string_view value = Trim(line.substr(colon + 1));
        if (name == "ST")
            wanted = value == wire::kSearchTarget || value == "ssdp:all";
        else if (name == "MX" && ParseInt(std::string(value), 0, 120, maxWaitSeconds))
            maxWaitSeconds = std::min(maxWaitSeconds, kMaxWaitCap);
    }
    return wanted;
}

CSimulatorResponder::CSimulatorResponder(SimulatorOptions settings, std::uint32_t seed)
    : options(std::move(settings)), devices(MakeDevices(options)), random(seed)
{
}

int CSimulatorResponder::AnswerDelay(int maxSeconds)
{
    if (!options.randomDelay)
        return options.delayMs;
    return std::uniform_int_distribution<int>(0, maxSeconds * 1000)(random);
}

std::vector<OutgoingDatagram> CSimulatorResponder::Reply(QueryChannel channel, std::string_view datagram,
                                                         std::uint32_t sender, std::uint16_t senderPort)
{
    std::vector<OutgoingDatagram> out;
    if (SendsEverySecond())
        return out; // forged announcers and answerers: nobody is there to answer
    int maxWait = kBroadcastMaxWaitSeconds;
    const bool ssdpChannel = channel == QueryChannel::Ssdp;
    if (ssdpChannel ? !(options.ssdp && IsDeviceSearch(datagram, maxWait))
                    : !(options.broadcast && IsBroadcastQuery(datagram)))
        return out; // not a query these devices answer
    for (const SimulatedDevice& device : devices) {
        std::string payload =
            ssdpChannel ? wire::FormatSsdpAnswer(device.texts) : BroadcastAnswerBytes(device.texts);
        out.push_back(
            {channel, device.address, sender, senderPort, std::move(payload), AnswerDelay(maxWait)});
    }
    AddHostile(out, channel, sender, senderPort);
    return out;
}

void CSimulatorResponder::AddHostile(std::vector<OutgoingDatagram>& out, QueryChannel channel,
                                     std::uint32_t sender, std::uint16_t senderPort)
{
    if (options.hostile == kHostileNone)
        return;
    const bool ssdpChannel = channel == QueryChannel::Ssdp;
    for (HostilePayload& hostile :
         MakeHostileTraffic(options.hostile, ssdpChannel, options.floodCount, random))
        out.push_back({channel, devices.front().address, sender, senderPort, std::move(hostile.bytes),
                       hostile.delayMs});
}

bool CSimulatorResponder::SendsEverySecond() const
{
    return (options.hostile & (kHostileAnnounce | kHostileAnswers)) != 0;
}

std::vector<OutgoingDatagram> CSimulatorResponder::UnaskedAnswers() const
{
    std::vector<OutgoingDatagram> out;
    if ((options.hostile & kHostileAnswers) == 0)
        return out;
    std::uint32_t group = 0;
    ParseIpv4(std::string(wire::kSsdpGroup), group);
    for (const SimulatedDevice& device : devices) {
        if (options.ssdp)
            out.push_back({QueryChannel::Ssdp, device.address, group, wire::kSsdpPort,
                           wire::FormatSsdpAnswer(device.texts), 0});
        if (options.broadcast)
            out.push_back({QueryChannel::Broadcast, device.address, 0xFFFFFFFFu, wire::kBroadcastLocalPort,
                           BroadcastAnswerBytes(device.texts), 0});
        for (const std::uint32_t target : options.answerTargets) {
            if (options.ssdp)
                out.push_back({QueryChannel::Ssdp, device.address, target, wire::kSsdpPort,
                               wire::FormatSsdpAnswer(device.texts), 0});
            if (options.broadcast)
                out.push_back({QueryChannel::Broadcast, device.address, target, wire::kBroadcastLocalPort,
                               BroadcastAnswerBytes(device.texts), 0});
        }
    }
    return out;
}

std::vector<OutgoingDatagram> CSimulatorResponder::Announce(std::string_view nts) const
{
    std::vector<OutgoingDatagram> out;
    if (!options.ssdp || !options.notify)
        return out;
    std::uint32_t group = 0;
    ParseIpv4(std::string(wire::kSsdpGroup), group);
    for (const SimulatedDevice& device : devices)
        out.push_back({QueryChannel::Ssdp, device.address, group, wire::kSsdpPort,
                       wire::FormatSsdpNotify(device.texts, nts), 0});
    return out;
}
