#include "discovery/DottedIPv4.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr int kParts = 4;

// One part: 1 to 3 digits, no leading zero, at most 255. Sign, space and the rest are not
// digits, so from_chars stops before them and the part ends short of the next dot.
std::optional<std::uint32_t> ParsePart(std::string_view part)
{
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part.front() == '0'))
        return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (error != std::errc() || end != part.data() + part.size() || value > 255)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<boost::asio::ip::address_v4> ParseDottedIPv4(std::string_view text)
{
    std::uint32_t address = 0;
    for (int index = 0; index < kParts; ++index) {
        const std::size_t dot = text.find('.');
        const bool last = index == kParts - 1;
        if (last != (dot == std::string_view::npos))
            return std::nullopt; // fewer or more than four parts
        const auto part = ParsePart(text.substr(0, dot));
        if (!part)
            return std::nullopt;
        address = (address << 8) | *part;
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    return boost::asio::ip::address_v4(address);
}

bool IsDottedIPv4(std::string_view text)
{
    return ParseDottedIPv4(text).has_value();
}

DottedText FormatDottedIPv4(const boost::asio::ip::address_v4& address)
{
    DottedText text{};
    char* at = text.data();
    char* const end = text.data() + text.size() - 1; // the last byte stays zero
    for (const unsigned char part : address.to_bytes()) {
        if (at != text.data())
            *at++ = '.';
        at = std::to_chars(at, end, part).ptr;
    }
    return text;
}
