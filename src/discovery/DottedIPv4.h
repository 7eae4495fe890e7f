#pragma once

// Dotted-decimal IPv4 text as device answers, the hosts file and the command lines carry it.
// The text comes from the network or from people, so only the strict form passes: four
// decimal parts 0 to 255, without leading zeros, and nothing else. Asio's parser is lenient
// on some platforms ("1.2.3" passes there), so such texts never go through it.

#include <array>
#include <optional>
#include <string_view>

#include <boost/asio/ip/address_v4.hpp>

// The address of strict dotted-decimal text; nothing for any other text.
std::optional<boost::asio::ip::address_v4> ParseDottedIPv4(std::string_view text);

// True when the text is strict dotted-decimal IPv4.
bool IsDottedIPv4(std::string_view text);

// The dotted-decimal text of an address, zero-terminated, in a value of its own: the receive
// loops name each datagram's sender without a format call or an allocation.
using DottedText = std::array<char, 16>;
DottedText FormatDottedIPv4(const boost::asio::ip::address_v4& address);
