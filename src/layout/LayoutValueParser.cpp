#include "layout/LayoutValueParser.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cwchar>
#include <string>

std::int32_t ParseInteger(std::wstring_view text)
{
    // wcstol needs a terminated string; layout values are short, so the copy is cheap.
    const std::wstring terminated(text);
    const long value = std::wcstol(terminated.c_str(), nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

namespace {

// Splits off the text before the next comma; false when there is no comma left.
bool TakeUntilComma(std::wstring_view& rest, std::wstring_view& part)
{
    const auto comma = rest.find(L',');
    if (comma == std::wstring_view::npos)
        return false;
    part = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return true;
}

std::int32_t Coordinate(std::wstring_view text)
{
    return std::clamp(ParseInteger(text), -kMaxLayoutCoordinate, kMaxLayoutCoordinate);
}

} // namespace

void ParseColor(std::wstring_view text, LayoutColor& color)
{
    std::wstring_view rest = text;
    std::wstring_view red;
    std::wstring_view green;
    if (!TakeUntilComma(rest, red) || !TakeUntilComma(rest, green))
        return;
    const auto byte = [](std::wstring_view part) {
        return static_cast<LayoutColor>(ParseInteger(part)) & 0xFFu;
    };
    color = byte(red) | (byte(green) << 8) | (byte(rest) << 16);
}

void ParsePosition(std::wstring_view text, LayoutRect& rect)
{
    std::wstring_view rest = text;
    std::wstring_view part;
    if (!TakeUntilComma(rest, part))
        return;
    rect.left = Coordinate(part);
    if (!TakeUntilComma(rest, part))
        return;
    rect.top = Coordinate(part);
    if (!TakeUntilComma(rest, part))
        return;
    // Both terms are clamped, so the sums and every later width and height stay in range.
    rect.right = rect.left + Coordinate(part);
    rect.bottom = rect.top + Coordinate(rest);
}

void ParseOffset(std::wstring_view text, LayoutPoint& point)
{
    std::wstring_view rest = text;
    std::wstring_view part;
    if (!TakeUntilComma(rest, part))
        return;
    point.x = Coordinate(part);
    point.y = Coordinate(rest);
}

std::uint32_t ParseStyle(std::wstring_view text)
{
    struct Token
    {
        std::wstring_view name;
        std::uint32_t value;
    };
    static constexpr std::array<Token, 16> kTokens{{
        {L"WS_CHILD", 0x40000000},
        {L"WS_VISIBLE", 0x10000000},
        {L"WS_CLIPCHILDREN", 0x02000000},
        {L"WS_VSCROLL", 0x00200000},
        {L"TVS_SHOWSELALWAYS", 0x0020},
        {L"TVS_HASBUTTONS", 0x0001},
        {L"TVS_HASLINES", 0x0002},
        {L"TVS_INFOTIP", 0x0800},
        {L"LVS_OWNERDRAWFIXED", 0x0400},
        {L"LVS_EX_FULLROWSELECT", 0x0020},
        {L"LVS_REPORT", 0x0001},
        {L"CBS_DROPDOWN", 0x0002},
        {L"CBS_AUTOHSCROLL", 0x0040},
        {L"ES_AUTOHSCROLL", 0x0080},
        {L"ES_NUMBER", 0x2000},
        {L"ES_READONLY", 0x0800},
    }};
    std::uint32_t style = 0;
    for (const Token& token : kTokens) {
        if (text.find(token.name) != std::wstring_view::npos)
            style |= token.value;
    }
    return style;
}
