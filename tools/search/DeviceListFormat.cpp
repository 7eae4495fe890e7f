#include "DeviceListFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at pos and advances past it; an invalid byte (a stray
// continuation, an overlong form, a surrogate, a cut-off sequence) yields kInvalid and
// advances by one byte only.
char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(pos);
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kInvalid;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return kInvalid;
    }
    for (int i = 1; i < length; ++i) {
        const std::uint8_t next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kInvalid;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kInvalid;
    }
    pos += static_cast<std::size_t>(length);
    return value;
}

std::string Hex(const char* format, unsigned value)
{
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, value);
    return buffer.data();
}

// Neither a control character nor a format character nor part of a longer sequence.
bool IsPrintableAscii(char c)
{
    return c >= 0x20 && c < 0x7F;
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Characters that show nothing themselves but change how the text around them is shown:
// Unicode's format characters (direction overrides and marks, zero-width spaces and joiners,
// the byte order mark, tags...) and the line and paragraph separators. A device name made of
// them could pass for another device's name.
bool IsInvisibleFormat(char32_t c)
{
    struct Range
    {
        char32_t first;
        char32_t last;
    };
    static constexpr std::array<Range, 20> kRanges{{
        {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
        {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
        {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE007F},
    }};
    return std::any_of(kRanges.begin(), kRanges.end(),
                       [c](const Range& range) { return c >= range.first && c <= range.last; });
}

// \uXXXX, as a surrogate pair beyond the first plane.
std::string JsonEscape(char32_t c)
{
    if (c < 0x10000)
        return Hex("\\u%04x", static_cast<unsigned>(c));
    const char32_t offset = c - 0x10000;
    return Hex("\\u%04x", static_cast<unsigned>(0xD800 + (offset >> 10))) +
           Hex("\\u%04x", static_cast<unsigned>(0xDC00 + (offset & 0x3FF)));
}

std::string_view Text(const char (&field)[DeviceRecord::kTextSize])
{
    return std::string_view(field, std::find(field, field + DeviceRecord::kTextSize, '\0') - field);
}

// What a terminal shows for the text: one column per code point, escapes included.
std::size_t ShownWidth(std::string_view shown)
{
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < shown.size(); ++width) {
        if (static_cast<std::uint8_t>(shown[pos]) < 0x80)
            ++pos; // ASCII: one byte, one column
        else
            NextCodePoint(shown, pos);
    }
    return width;
}

} // namespace

std::string JsonString(std::string_view bytes)
{
    std::string out = "\"";
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t start = pos;
        const char32_t c = NextCodePoint(bytes, pos);
        if (c == kInvalid)
            out += Hex("\\u%04x", static_cast<std::uint8_t>(bytes[start]));
        else if (c == '"' || c == '\\')
            out += std::string("\\") + static_cast<char>(c);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (IsControl(c) || IsInvisibleFormat(c))
            out += JsonEscape(c);
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out + "\"";
}

std::string TerminalText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t start = pos;
        // Printable ASCII, what nearly every device sends, is shown as it is: a run at a time.
        while (pos < bytes.size() && IsPrintableAscii(bytes[pos]))
            ++pos;
        if (pos != start) {
            out.append(bytes.substr(start, pos - start));
            continue;
        }
        const char32_t c = NextCodePoint(bytes, pos);
        if (c == kInvalid || IsControl(c) || IsInvisibleFormat(c)) {
            for (std::size_t i = start; i < pos; ++i)
                out += Hex("\\x%02x", static_cast<std::uint8_t>(bytes[i]));
        } else {
            out.append(bytes.substr(start, pos - start));
        }
    }
    return out;
}

std::string FormatDeviceObject(const DeviceRecord& d)
{
    return "{\"id\": " + JsonString(Text(d.id)) + ", \"ip\": " + JsonString(Text(d.ip)) +
           ", \"host\": " + JsonString(Text(d.host)) + ", \"product\": " + JsonString(Text(d.product)) +
           ", \"detail\": " + JsonString(Text(d.detail)) +
           ", \"osVersion\": " + JsonString(Text(d.osVersion)) +
           ", \"vendor\": " + JsonString(Text(d.vendor)) + ", \"type\": " + std::to_string(d.type) +
           ", \"url\": " + JsonString("http://" + std::string(Text(d.ip))) + "}";
}

std::string FormatDeviceJson(const std::vector<DeviceRecord>& devices)
{
    std::string out = "[";
    for (std::size_t i = 0; i < devices.size(); ++i)
        out += (i == 0 ? "\n  " : ",\n  ") + FormatDeviceObject(devices[i]);
    return out + (devices.empty() ? "]\n" : "\n]\n");
}

namespace {

// The cells of a device's row in the table.
std::vector<std::string> DeviceCells(const DeviceRecord& d)
{
    return {TerminalText(Text(d.host)),   TerminalText(Text(d.ip)), TerminalText(Text(d.product)),
            TerminalText(Text(d.vendor)), TerminalText(Text(d.id)), std::to_string(d.type)};
}

} // namespace

std::string FormatDeviceTable(const std::vector<DeviceRecord>& devices,
                              const std::vector<std::string>& changes)
{
    using Row = std::vector<std::string>;
    const bool withChanges = !changes.empty();
    // A row's cells, made twice (for the widths, then for the line) rather than kept for
    // every device: a list of thousands would otherwise hold all its cells beside its text.
    const auto row = [&](std::size_t r) {
        Row cells =
            r == 0 ? Row{"HOST", "IP", "PRODUCT", "VENDOR", "ID", "TYPE"} : DeviceCells(devices[r - 1]);
        if (withChanges)
            cells.insert(cells.begin(), r == 0 ? "CHANGE" : changes.at(r - 1));
        return cells;
    };
    std::vector<std::size_t> widths(row(0).size());
    std::size_t wideBytes = 0; // the bytes beyond one per shown column, in all cells
    for (std::size_t r = 0; r <= devices.size(); ++r) {
        const Row cells = row(r);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::size_t shown = ShownWidth(cells[c]);
            widths[c] = std::max(widths[c], shown);
            wideBytes += cells[c].size() - shown; // a character is one byte or more
        }
    }
    std::size_t lineSize = 1; // a line at its widest, untrimmed, with its end
    for (const std::size_t width : widths)
        lineSize += width + 2;
    std::string out;
    out.reserve(lineSize * (devices.size() + 1) + wideBytes);
    for (std::size_t r = 0; r <= devices.size(); ++r) {
        const Row cells = row(r);
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c)
            line.append(cells[c]).append(widths[c] - ShownWidth(cells[c]) + 2, ' ');
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    return out;
}
