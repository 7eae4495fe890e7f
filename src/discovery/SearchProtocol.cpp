#include "discovery/SearchProtocol.h"

#include <algorithm>

namespace wire {

SearchPacket MakeSearchQuery()
{
    SearchPacket packet{};
    packet[0] = kQueryOpcode;
    packet[1] = 0x01;
    std::fill(packet.begin() + 4, packet.begin() + 8, std::uint8_t{0xFF});
    return packet;
}

SearchPacket MakeBroadcastAnswer(std::uint8_t reportType, std::string_view itemText)
{
    SearchPacket packet{};
    packet[0] = kAnswerOpcode;
    packet[1] = reportType;
    const std::size_t n = std::min(itemText.size(), kPacketTextSize);
    std::copy_n(itemText.begin(), n, packet.begin() + kPacketTextOffset);
    return packet;
}

namespace {

std::string LocationLine(const SsdpDevice& device)
{
    return "LOCATION: http://" + device.ip + ":80/desc.xml\r\n";
}

std::string CacheControlLine(const SsdpDevice& device)
{
    return "CACHE-CONTROL: max-age=" + std::to_string(device.maxAge) + "\r\n";
}

std::string ServerLine(const SsdpDevice& device)
{
    std::string token = device.vendor + "/" + device.host + "/" + device.product;
    if (!device.detail.empty())
        token += "/" + device.detail;
    return "SERVER: VARN/" + device.osVersion + ", UPnP/1.0, " + token + "\r\n";
}

} // namespace

std::string FormatSsdpAnswer(const SsdpDevice& device)
{
    return "HTTP/1.1 200 OK\r\n" + CacheControlLine(device) + "EXT:\r\n" + LocationLine(device) +
           ServerLine(device) + "ST: " + std::string(kSearchTarget) + "\r\n" + "USN: uuid:" + device.uuid +
           "::" + std::string(kSearchTarget) + "\r\n\r\n";
}

std::string FormatSsdpNotify(const SsdpDevice& device, std::string_view nts)
{
    return "NOTIFY * HTTP/1.1\r\n"
           "HOST: 239.143.255.250:1900\r\n" +
           CacheControlLine(device) + LocationLine(device) + "NT: upnp:rootdevice\r\n" +
           "NTS: " + std::string(nts) + "\r\n" + ServerLine(device) + "USN: uuid:" + device.uuid +
           "::upnp:rootdevice\r\n\r\n";
}

} // namespace wire
