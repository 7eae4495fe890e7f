#pragma once

// Every wire constant and template of the two search protocols lives here, so the
// workers' parsers, the device simulator and the tests agree byte for byte.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wire {

// --- Private broadcast query -------------------------------------------------------
inline constexpr std::uint16_t kBroadcastLocalPort = 67;  // the searcher binds this
inline constexpr std::uint16_t kBroadcastDevicePort = 68; // devices listen here
inline constexpr std::string_view kBroadcastAddress = "255.255.255.255";
inline constexpr std::size_t kSearchPacketSize = 148;
inline constexpr std::size_t kPacketTextOffset = 20;
inline constexpr std::size_t kPacketTextSize = kSearchPacketSize - kPacketTextOffset; // 128
inline constexpr std::uint8_t kQueryOpcode = 0x0B;
inline constexpr std::uint8_t kAnswerOpcode = 0x0C;

using SearchPacket = std::array<std::uint8_t, kSearchPacketSize>;

// The query: byte 0 0x0B, byte 1 0x01, bytes 4..7 0xFF, everything else zero.
SearchPacket MakeSearchQuery();

// A device's answer: byte 0 0x0C, byte 1 the report type, the item text
// ("id=..&host=..&vendor=..&product=..") from byte 20, cut at 128 bytes.
SearchPacket MakeBroadcastAnswer(std::uint8_t reportType, std::string_view itemText);

// --- SSDP on the private group ---------------------------------------------------
inline constexpr std::string_view kSsdpGroup = "239.143.255.250";
inline constexpr std::uint16_t kSsdpPort = 1900;
inline constexpr std::string_view kSearchTarget = "urn:schemas-upnp-org:device:HomeNasDevice:1";
inline constexpr std::string_view kMSearchRequest = "M-SEARCH * HTTP/1.1\r\n"
                                                    "HOST: 239.143.255.250:1900\r\n"
                                                    "ST: urn:schemas-upnp-org:device:HomeNasDevice:1\r\n"
                                                    "MAN: \"ssdp:discover\"\r\n"
                                                    "MX: 3\r\n"
                                                    "\r\n";
static_assert(kMSearchRequest.size() == 129, "the search request is 129 bytes on the wire");
// The MX above: devices answer within this many seconds of hearing a search (the broadcast
// query's answers come sooner). A datagram is taken as an answer only when it reaches a
// worker within the window after that worker sent a query: the MX and a margin for the
// network and a busy device.
inline constexpr int kSearchMaxWaitSeconds = 3;
inline constexpr int kAnswerWindowSeconds = kSearchMaxWaitSeconds + 2;

// Per-address command workers take local ports 1530, 1550, 1570, ...
inline constexpr std::int32_t kFirstCommandPort = 1530;
inline constexpr std::int32_t kCommandPortStep = 20;

// --- Report types carried in DeviceRecord::type --------------------------------
inline constexpr std::int32_t kReportAnswer = 1;
inline constexpr std::int32_t kReportAlive = 2;
inline constexpr std::int32_t kReportByebye = 4;

// A report's CACHE-CONTROL max-age is trusted from one second to one day; a value outside
// is taken as the nearest bound, so a forged one neither drops a device at once nor keeps
// it listed for ever.
inline constexpr std::int32_t kMinMaxAge = 1;
inline constexpr std::int32_t kMaxMaxAge = 24 * 60 * 60;
inline constexpr std::int32_t kDeviceMaxAge = 1800; // what our devices promise

// The makers whose devices are listed: a report's vendor text, upper-cased, must equal one.
inline constexpr std::array<std::string_view, 3> kAcceptedVendors = {"ZANDOVERT", "KELMAR", "DURNE"};

// What a device puts in its SSDP texts.
struct SsdpDevice
{
    std::string uuid;   // USN: uuid:<uuid>::...
    std::string ip;     // host of the LOCATION URL
    std::string vendor; // product token: vendor/host/product/detail
    std::string host;
    std::string product;
    std::string detail;
    std::string osVersion = "1.0";       // SERVER: VARN/<osVersion>, UPnP/1.0, <token>
    std::int64_t maxAge = kDeviceMaxAge; // CACHE-CONTROL: max-age=<maxAge>
};

// "HTTP/1.1 200 OK" answer to an M-SEARCH, as a device sends it.
std::string FormatSsdpAnswer(const SsdpDevice& device);
// NOTIFY announcement; nts is "ssdp:alive" or "ssdp:byebye".
std::string FormatSsdpNotify(const SsdpDevice& device, std::string_view nts);

} // namespace wire
