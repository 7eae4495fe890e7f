#include "discovery/SearchDeviceMulticastThread.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/multicast.hpp>

#include "discovery/DiagnosticLog.h"
#include "os/SocketPlatform.h"

namespace {

// Room for the four items of the product token at their widest, with the "/" between them.
constexpr std::size_t kProductTokenSize = 4 * (DeviceRecord::kTextSize - 1) + 3;
constexpr auto npos = std::string_view::npos;

boost::asio::ip::address_v4 GroupAddress()
{
    return boost::asio::ip::make_address_v4(std::string(wire::kSsdpGroup));
}

char FoldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Header names are case-insensitive: devices send "Location:", "Server:" and "Usn:" as
// well. Only the name is matched this way; the values keep their case.
std::size_t FindHeader(std::string_view text, std::string_view name)
{
    const auto at = std::search(text.begin(), text.end(), name.begin(), name.end(),
                                [](char a, char b) { return FoldCase(a) == FoldCase(b); });
    return at == text.end() ? npos : static_cast<std::size_t>(at - text.begin());
}

// Where the line that holds `from` ends: at CR, or at a bare LF as some devices send.
std::size_t LineEnd(std::string_view text, std::size_t from)
{
    return std::min(text.find('\r', from), text.find('\n', from)); // memchr, not a char set
}

// The text between open and the next close after it, both searched from "from" onwards.
std::optional<std::string_view> Between(std::string_view text, std::size_t from, std::string_view open,
                                        std::string_view close)
{
    const std::size_t start = text.find(open, from);
    if (start == npos)
        return std::nullopt;
    const std::size_t begin = start + open.size();
    const std::size_t end = text.find(close, begin);
    if (end == npos)
        return std::nullopt;
    return text.substr(begin, end - begin);
}

// The host of the LOCATION URL as the device wrote it: from "//" to the port, the path or
// the line end. Nothing when there is no LOCATION header or no "//" in it.
std::optional<std::string_view> LocationHost(std::string_view text)
{
    const std::size_t location = FindHeader(text, "LOCATION:");
    if (location == npos)
        return std::nullopt;
    const std::string_view url = text.substr(location, LineEnd(text, location) - location);
    const std::size_t slashes = url.find("//");
    if (slashes == npos)
        return std::nullopt;
    const std::string_view rest = url.substr(slashes + 2);
    return rest.substr(0, rest.find_first_of(":/"));
}

// SERVER: <platform>/<version>, <anything>, <vendor>/<host>/<product>/<detail>
// Each missing piece keeps what was found before it.
void ReadServerHeader(std::string_view text, DeviceRecord& record)
{
    const std::size_t server = FindHeader(text, "SERVER:");
    if (server == npos)
        return;
    const std::size_t platform = text.find("VARN/", server);
    if (platform == npos)
        return;
    const std::size_t versionBegin = platform + 5;
    const std::size_t firstComma = text.find(',', versionBegin);
    if (firstComma == npos)
        return;
    SetDeviceText(record.osVersion, text.substr(versionBegin, firstComma - versionBegin));
    const std::size_t secondComma = text.find(',', firstComma + 1);
    if (secondComma == npos || secondComma + 2 > text.size())
        return;
    const std::size_t tokenBegin = secondComma + 2; // the comma and the blank after it
    const std::size_t tokenEnd = LineEnd(text, tokenBegin);
    if (tokenEnd == npos)
        return;
    const std::string_view line = text.substr(tokenBegin, tokenEnd - tokenBegin);
    const std::string_view token = line.substr(0, CutPoint(line, kProductTokenSize));

    const std::size_t first = token.find('/');
    if (first == npos)
        return;
    SetDeviceText(record.vendor, token.substr(0, first));
    const std::size_t second = token.find('/', first + 1);
    if (second == npos)
        return;
    SetDeviceText(record.host, token.substr(first + 1, second - first - 1));
    const std::string_view rest = token.substr(second + 1);
    const std::size_t third = rest.find('/');
    SetDeviceText(record.product, rest.substr(0, third));
    if (third != npos)
        SetDeviceText(record.detail, rest.substr(third + 1)); // may itself hold "/"
}

bool SameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::string_view TrimBlanks(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    return text.substr(0, text.find_last_not_of(" \t") + 1);
}

// The value of the first header line with this name (without its colon); nothing when no
// line is named so. A name inside another header's value does not count.
std::optional<std::string_view> HeaderLineValue(std::string_view text, std::string_view name)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(LineEnd(text, start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon != npos && SameWord(TrimBlanks(line.substr(0, colon)), name))
            return line.substr(colon + 1);
        start = end + 1;
    }
    return std::nullopt;
}

// The value of the directive with this name in a comma-separated list of directives
// ("no-cache, max-age=30"); nothing when there is none, or it has no "=".
std::optional<std::string_view> DirectiveValue(std::string_view directives, std::string_view name)
{
    for (std::size_t start = 0; start <= directives.size();) {
        const std::size_t end = std::min(directives.find(',', start), directives.size());
        const std::string_view directive = directives.substr(start, end - start);
        const std::size_t equals = directive.find('=');
        if (equals != npos && SameWord(TrimBlanks(directive.substr(0, equals)), name))
            return TrimBlanks(directive.substr(equals + 1));
        start = end + 1;
    }
    return std::nullopt;
}

// CACHE-CONTROL: max-age=N, the seconds the device says its report stays true; 0 when it
// says nothing readable. A number out of bounds is clamped rather than trusted.
std::int32_t ReadMaxAge(std::string_view text)
{
    const auto header = HeaderLineValue(text, "CACHE-CONTROL");
    const auto value = header ? DirectiveValue(*header, "max-age") : std::nullopt;
    if (!value)
        return 0; // no-cache and the like, or another header's text: no promise
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), seconds);
    if (error == std::errc::invalid_argument)
        return 0; // not a number
    if (error == std::errc::result_out_of_range)
        seconds = value->starts_with('-') ? wire::kMinMaxAge : wire::kMaxMaxAge;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, wire::kMinMaxAge, wire::kMaxMaxAge));
}

// The report kind from the start line and NTS; nothing when the text is neither an
// answer nor a root-device announcement.
std::optional<std::int32_t> ReportKind(std::string_view text)
{
    if (text.starts_with("HTTP"))
        return wire::kReportAnswer;
    if (!text.starts_with("NOTIFY"))
        return std::nullopt; // a search request (ours looped back, or another host's)
    if (text.find("rootdevice") == npos)
        return std::nullopt; // announcements of embedded devices and services
    const std::size_t nts = FindHeader(text, "NTS:");
    if (nts == npos)
        return std::nullopt;
    std::string_view value = text.substr(nts + 4);
    value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
    if (value.starts_with("ssdp:alive"))
        return wire::kReportAlive;
    if (value.starts_with("ssdp:byebye"))
        return wire::kReportByebye;
    return 0; // an announcement we do not act on
}

// Why the parser refused a text: our devices' answers and root-device announcements carry
// "VARN"; such a text that still failed lacks a piece, anything else is other traffic.
DropReason RefusalReason(std::string_view text)
{
    const bool ours =
        text.find("VARN") != npos &&
        (text.starts_with("HTTP") || (text.starts_with("NOTIFY") && text.find("rootdevice") != npos));
    return ours ? DropReason::Unreadable : DropReason::NotDeviceAnswer;
}

} // namespace

void CSearchDeviceMulticastThread::PrepareSocket(udp::socket& socket)
{
    // Port 1900 is the SSDP port of the machine: share it with other SSDP software.
    socketplatform::SharePort(socket);
    AlterGroup(socket, true);
}

void CSearchDeviceMulticastThread::ExitSearchThread()
{
    // Handed to the receive thread, if it runs, which leaves the group before it closes.
    WithSocket([this](udp::socket& socket) { AlterGroup(socket, false); });
    StopSocket();
    WriteLogStamped("SendThread %d : Exit Search Device Tread , bExitSock : %d  ", Port(), 1);
}

void CSearchDeviceMulticastThread::AlterGroup(udp::socket& socket, bool join)
{
    boost::system::error_code error;
    if (join)
        socket.set_option(boost::asio::ip::multicast::join_group(GroupAddress()), error);
    else
        socket.set_option(boost::asio::ip::multicast::leave_group(GroupAddress()), error);
    if (join)
        error ? counters.Failed(WorkerStep::Join, error, Port()) : counters.Succeeded(WorkerStep::Join);
    groupJoined = join && !error;
    if (error)
        WriteLog("SendThread %d : Alter Device Mulitcast Group Error : %s  \r\n", Port(),
                 error.message().c_str());
    else if (join)
        WriteLog("SendThread %d : Add To Multicast Group Info ", Port());
    else
        WriteLog("SendThread %d : Leave To Multicast Group Info ", Port());
}

void CSearchDeviceMulticastThread::RenewNetwork(const std::vector<LocalNetwork>& networks,
                                                bool networkChanged)
{
    CSearchDeviceThread::RenewNetwork(networks, networkChanged);
    if (!networkChanged && groupJoined)
        return;
    WithSocket([this](udp::socket& socket) {
        if (!socket.is_open())
            return; // never created, or exiting: nothing to renew
        WriteLog("SendThread %d : Renew Multicast Group  ", Port());
        // A membership on an interface that went away cannot be left: the error says nothing.
        boost::system::error_code ignored;
        socket.set_option(boost::asio::ip::multicast::leave_group(GroupAddress()), ignored);
        AlterGroup(socket, true);
    });
}

int CSearchDeviceMulticastThread::SendSearchCommand(const wire::SearchPacket&)
{
    WriteLog("SendThread %d : Send Search Device Command  ", Port());
    SendToTargets(std::string(wire::kMSearchRequest), {udp::endpoint(GroupAddress(), wire::kSsdpPort)},
                  "Send Search Device Error");
    return 0;
}

int CSearchDeviceMulticastThread::SendDirectSearch(const wire::SearchPacket&,
                                                   const boost::asio::ip::address_v4& host)
{
    WriteLog("SendThread %d : Send Direct Search Command To %s  ", Port(), host.to_string().c_str());
    QueriedDirectly(host);
    SendToTargets(std::string(wire::kMSearchRequest), {udp::endpoint(host, wire::kSsdpPort)},
                  "Send Direct Search Error");
    return 0;
}

std::optional<DeviceRecord> CSearchDeviceMulticastThread::ParseSsdpText(std::string_view text,
                                                                        const char* senderIP)
{
    if (text.find("VARN") == npos)
        return std::nullopt; // not one of our devices: foreign SSDP traffic, requests
    DeviceRecord record;
    ReadServerHeader(text, record);
    const auto usn = FindHeader(text, "USN:");
    const auto id = usn == npos ? std::nullopt : Between(text, usn, "uuid:", "::");
    if (!id)
        return std::nullopt; // no device identifier
    const auto kind = ReportKind(text);
    if (!kind)
        return std::nullopt;
    SetDeviceText(record.id, *id);
    // Listed where the answer came from: an address named in the text could point Log In
    // and My Storage at any machine, and one sender could invent any number of devices.
    SetDeviceText(record.ip, senderIP);
    record.type = *kind;
    record.heardBy = DeviceRecord::Heard::Ssdp;
    record.maxAge = ReadMaxAge(text);
    return record;
}

void CSearchDeviceMulticastThread::HandleRecvInfo(const char* data, std::size_t length, const char* senderIP)
{
    WriteLog("SendThread %d : Handle Mulitcast Recive Information  ", Port());
    // The text ends at its first zero byte; the receive area always holds one after the data.
    const std::string_view text(data, strnlen(data, length));
    auto record = ParseSsdpText(text, senderIP);
    if (!record) {
        counters.Drop(RefusalReason(text));
        return;
    }
    record->solicited = record->type == wire::kReportAnswer && AnswerExpected();
    const auto claimed = LocationHost(text);
    if (claimed && *claimed != senderIP && LogEnabled())
        WriteLog("SendThread %d : Recive IP : %s, LOCATION Host : %s, Listed At The Sender IP ", Port(),
                 senderIP, LogText(claimed->substr(0, DeviceRecord::kTextSize - 1)).c_str());
    if (!RememberReport(*record, true)) {
        // The same record twice in a row: skip it once, then report it again.
        WriteLog("SendThread %d : Handle Mulitcast Recive Information Fail : Old Device, type = %d ", Port(),
                 record->type);
        counters.Drop(DropReason::Repeat);
        return;
    }
    WriteLog("SendThread %d : Handle Mulitcast Recive Information Success, type = %d ", Port(), record->type);
    Report(*record);
}
