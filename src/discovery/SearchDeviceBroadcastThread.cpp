#include "discovery/SearchDeviceBroadcastThread.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include <boost/asio/ip/address_v4.hpp>

#include "discovery/DiagnosticLog.h"
#include "os/LocalAddresses.h"

namespace {

// The answer's item text: from byte 20 to the first zero byte or the end of the packet.
std::string_view ItemText(const std::array<char, wire::kSearchPacketSize>& packet)
{
    const char* text = packet.data() + wire::kPacketTextOffset;
    return {text, strnlen(text, wire::kPacketTextSize)};
}

// The value after the first occurrence of key anywhere in the text, up to the next "&".
// The key need not start an item: "xid=5" yields 5 for "id=". Nothing when the key is absent.
std::optional<std::string_view> ItemValue(std::string_view text, std::string_view key)
{
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = text.substr(at + key.size());
    return rest.substr(0, rest.find('&'));
}

// Fills a text from its item. An absent item, and one that runs to the end of a text that
// fills the packet (the device had more to say than fits), give the text only in part.
void ReadItem(std::string_view text, std::string_view key,
              char (DeviceRecord::*field)[DeviceRecord::kTextSize], DeviceRecord& record)
{
    const bool full = text.size() == wire::kPacketTextSize;
    const auto value = ItemValue(text, key);
    const bool cut = value && full && value->data() + value->size() == text.data() + text.size();
    SetDeviceText(record.*field, !value ? std::string_view() : cut ? WithoutCutCharacter(*value) : *value);
    if (!value || cut)
        record.partialTexts |= PartialBit(field);
}

} // namespace

void CSearchDeviceBroadcastThread::PrepareSocket(udp::socket& socket)
{
    socket.set_option(boost::asio::socket_base::broadcast(true));
}

int CSearchDeviceBroadcastThread::SendSearchCommand(const wire::SearchPacket& packet)
{
    WriteLog("SendThread %d : Send Broadcast Search Command  ", Port());
    // 255.255.255.255 leaves through the default route only: each local network's own
    // broadcast address carries the query into the networks beside it.
    std::vector<udp::endpoint> devices;
    for (const boost::asio::ip::address_v4& target : BroadcastTargets(CurrentNetworks()))
        devices.emplace_back(target, wire::kBroadcastDevicePort);
    SendToTargets(std::string(packet.begin(), packet.end()), std::move(devices),
                  "Send Broadcast Search Error");
    return 0;
}

void CSearchDeviceBroadcastThread::RenewNetwork(const std::vector<LocalNetwork>& renewed, bool networkChanged)
{
    CSearchDeviceThread::RenewNetwork(renewed, networkChanged);
    std::lock_guard lock(networksLock);
    networks = renewed;
}

std::vector<LocalNetwork> CSearchDeviceBroadcastThread::CurrentNetworks()
{
    {
        std::lock_guard lock(networksLock);
        if (networks)
            return *networks;
    }
    boost::system::error_code ignored;
    return ListLocalIPv4Networks(ignored);
}

std::vector<boost::asio::ip::address_v4>
CSearchDeviceBroadcastThread::BroadcastTargets(const std::vector<LocalNetwork>& networks)
{
    std::vector<boost::asio::ip::address_v4> targets{boost::asio::ip::address_v4::broadcast()};
    boost::system::error_code error;
    for (const LocalNetwork& network : networks) {
        if (network.broadcast.empty())
            continue;
        const auto target = boost::asio::ip::make_address_v4(network.broadcast, error);
        if (!error && std::find(targets.begin(), targets.end(), target) == targets.end())
            targets.push_back(target);
    }
    return targets;
}

int CSearchDeviceBroadcastThread::SendDirectSearch(const wire::SearchPacket& packet,
                                                   const boost::asio::ip::address_v4& host)
{
    WriteLog("SendThread %d : Send Direct Search Command To %s  ", Port(), host.to_string().c_str());
    QueriedDirectly(host);
    SendToTargets(std::string(packet.begin(), packet.end()),
                  {udp::endpoint(host, wire::kBroadcastDevicePort)}, "Send Direct Search Error");
    return 0;
}

void CSearchDeviceBroadcastThread::HandleRecvInfo(const char* data, std::size_t length, const char* senderIP)
{
    if (length != wire::kSearchPacketSize) {
        counters.Drop(DropReason::WrongLength);
        return; // not our packet format; dropped without a word
    }
    WriteLog("SendThread %d : Handle Broadcast Recive Information  ", Port());
    std::array<char, wire::kSearchPacketSize> packet;
    std::memcpy(packet.data(), data, packet.size());
    if (static_cast<std::uint8_t>(packet[0]) != wire::kAnswerOpcode) {
        // Another searcher's query (0x0B) or foreign traffic on the port.
        WriteLog("SendThread %d : Recive IP : %s is not Device ", Port(), senderIP);
        counters.Drop(DropReason::NotDeviceAnswer);
        return;
    }
    DeviceRecord record;
    SetDeviceText(record.ip, senderIP);
    record.type = static_cast<std::uint8_t>(packet[1]);
    record.heardBy = DeviceRecord::Heard::Broadcast;
    record.solicited = record.type == wire::kReportAnswer && AnswerExpected();
    const std::string_view text = ItemText(packet);
    ReadItem(text, "id=", &DeviceRecord::id, record);
    ReadItem(text, "host=", &DeviceRecord::host, record);
    ReadItem(text, "vendor=", &DeviceRecord::vendor, record);
    ReadItem(text, "product=", &DeviceRecord::product, record);
    // This protocol does not carry them.
    record.partialTexts |= PartialBit(&DeviceRecord::detail) | PartialBit(&DeviceRecord::osVersion);
    if (!RememberReport(record, false)) {
        // Already reported since the last search.
        WriteLog("SendThread %d : Handle Broadcast Recive Information Fail ", Port());
        counters.Drop(DropReason::Repeat);
        return;
    }
    WriteLog("SendThread %d : Handle Broadcast Recive Information Success ", Port());
    Report(record);
}
