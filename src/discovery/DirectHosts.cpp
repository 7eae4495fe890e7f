#include "discovery/DirectHosts.h"
#include "discovery/DottedIPv4.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

namespace {

constexpr std::size_t kMaxNameSize = 253;
constexpr std::size_t kMaxLabelSize = 63;
constexpr std::size_t kMaxLineSize = 1024;

bool IsNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.';
}

// Letters, digits and hyphens in labels of 1 to 63 characters, no hyphen at either end.
bool IsHostName(std::string_view text)
{
    if (text.empty() || text.size() > kMaxNameSize || !std::all_of(text.begin(), text.end(), IsNameCharacter))
        return false;
    if (text.back() == '.')
        text.remove_suffix(1); // a fully qualified name may end in a dot
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        const std::string_view label = text.substr(start, end - start);
        if (label.empty() || label.size() > kMaxLabelSize || label.front() == '-' || label.back() == '-')
            return false;
        start = end + 1;
    }
    return true;
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

namespace {

const char* SpecialAddressReason(const boost::asio::ip::address_v4& address)
{
    const std::uint32_t value = address.to_uint();
    if (address == boost::asio::ip::address_v4::broadcast())
        return "broadcast";
    if ((value >> 24) == 0)
        return "this network"; // 0.0.0.0/8, the unspecified address with it
    if (address.is_loopback())
        return "loopback";
    if (address.is_multicast())
        return "multicast";
    if ((value >> 28) == 0xF)
        return "reserved"; // 240.0.0.0/4
    return nullptr;
}

} // namespace

std::string NonUnicastReason(const boost::asio::ip::address_v4& address,
                             const std::vector<LocalNetwork>& networks)
{
    if (const char* reason = SpecialAddressReason(address))
        return reason;
    // A local network's own broadcast address reaches every machine on it, and a worker
    // that is not allowed to broadcast cannot send there at all.
    const std::string text = address.to_string();
    for (const LocalNetwork& network : networks)
        if (network.broadcast == text)
            return "the broadcast address of the local network of " + network.address;
    return {};
}

HostKind ClassifyHost(std::string_view text)
{
    if (ParseDottedIPv4(text))
        return HostKind::Address;
    // Digits and dots alone are meant as an address; one that does not parse is a typo, not
    // a name to send to the resolver.
    const bool numeric = std::all_of(text.begin(), text.end(), [](char c) {
        return c == '.' || std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (numeric || !IsHostName(text))
        return HostKind::Malformed;
    return HostKind::Name;
}

namespace {

std::optional<boost::asio::ip::address_v4> LookUpHost(const std::string& text, std::string& error)
{
    switch (ClassifyHost(text)) {
    case HostKind::Address:
        return ParseDottedIPv4(text);
    case HostKind::Malformed:
        error = "not an IPv4 address or host name";
        return std::nullopt;
    case HostKind::Name:
        break;
    }
    boost::asio::io_context io;
    boost::asio::ip::udp::resolver resolver(io);
    boost::system::error_code failure;
    const auto results = resolver.resolve(boost::asio::ip::udp::v4(), text, "", failure);
    if (failure || results.empty()) {
        error = "cannot look up the name: " + (failure ? failure.message() : std::string("no IPv4 address"));
        return std::nullopt;
    }
    return results.begin()->endpoint().address().to_v4();
}

} // namespace

std::optional<boost::asio::ip::address_v4> ResolveHost(const std::string& text, std::string& error,
                                                       const std::vector<LocalNetwork>& networks)
{
    const auto address = LookUpHost(text, error);
    if (!address)
        return std::nullopt;
    if (const std::string reason = NonUnicastReason(*address, networks); !reason.empty()) {
        error = "not a unicast address (" + address->to_string() + " is " + reason + ")";
        return std::nullopt;
    }
    return address;
}

HostsFile ReadHostsFile(std::istream& in, const std::vector<LocalNetwork>& networks)
{
    HostsFile file;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line.resize(std::min(line.size(), kMaxLineSize)); // what is kept for the log
        const std::string_view entry = Trim(std::string_view(line).substr(0, line.find('#')));
        if (entry.empty())
            continue;
        const auto address = ParseDottedIPv4(entry);
        const std::string reason = address ? NonUnicastReason(*address, networks) : std::string();
        if (address && reason.empty())
            file.addresses.push_back(*address);
        else
            file.skipped.push_back("line " + std::to_string(number) + ": " + std::string(entry) +
                                   (reason.empty() ? "" : " (" + reason + ")"));
    }
    return file;
}
