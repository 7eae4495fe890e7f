#include "discovery/DeviceRecord.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameText(const char (&a)[DeviceRecord::kTextSize], const char (&b)[DeviceRecord::kTextSize])
{
    return std::strncmp(a, b, DeviceRecord::kTextSize) == 0;
}

} // namespace

bool DeviceRecord::operator==(const DeviceRecord& other) const
{
    return SameText(id, other.id) && SameText(ip, other.ip) && SameText(host, other.host) &&
           SameText(product, other.product) && SameText(detail, other.detail) &&
           SameText(osVersion, other.osVersion) && SameText(vendor, other.vendor);
}

bool SameDescription(const DeviceRecord& a, const DeviceRecord& b)
{
    const auto sameIfBothKnown = [](const char(&x)[DeviceRecord::kTextSize],
                                    const char(&y)[DeviceRecord::kTextSize]) {
        return x[0] == '\0' || y[0] == '\0' || SameText(x, y);
    };
    return SameText(a.id, b.id) && SameText(a.ip, b.ip) && SameText(a.host, b.host) &&
           SameText(a.product, b.product) && SameText(a.vendor, b.vendor) &&
           sameIfBothKnown(a.detail, b.detail) && sameIfBothKnown(a.osVersion, b.osVersion);
}

std::uint8_t PartialBit(char (DeviceRecord::*text)[DeviceRecord::kTextSize])
{
    for (std::size_t i = 0; i < std::size(kDeviceTexts); ++i)
        if (kDeviceTexts[i] == text)
            return static_cast<std::uint8_t>(1u << i);
    return 0;
}

DeviceRecord MergeReport(const DeviceRecord& listed, const DeviceRecord& report)
{
    DeviceRecord merged = report;
    merged.partialTexts = 0;
    for (const auto text : kDeviceTexts) {
        const std::uint8_t bit = PartialBit(text);
        const std::string_view had = TextOf(listed.*text);
        const std::string_view heard = TextOf(report.*text);
        // A cut or missing text that the listed one begins with says nothing new; a listed
        // text that was itself cut gives way to a longer one that begins with it.
        const bool keep = (report.partialTexts & bit) != 0 && had.starts_with(heard) &&
                          !((listed.partialTexts & bit) != 0 && heard.starts_with(had));
        if (keep) {
            SetDeviceText(merged.*text, had);
            merged.partialTexts |= listed.partialTexts & bit;
        } else {
            merged.partialTexts |= report.partialTexts & bit;
        }
    }
    return merged;
}

bool OwnTextsChanged(const DeviceRecord& listed, const DeviceRecord& merged)
{
    for (const auto text : kDeviceTexts) {
        const std::string_view had = TextOf(listed.*text);
        const std::string_view now = TextOf(merged.*text);
        const bool grew = (listed.partialTexts & PartialBit(text)) != 0 && now.starts_with(had);
        if (had != now && !grew)
            return true;
    }
    return false;
}

std::string_view WithoutCutCharacter(std::string_view text)
{
    const std::size_t most = std::min<std::size_t>(3, text.size());
    for (std::size_t back = 1; back <= most; ++back) {
        const auto c = static_cast<unsigned char>(text[text.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? text.substr(0, text.size() - back) : text;
    }
    return text;
}

std::size_t CutPoint(std::string_view text, std::size_t most)
{
    if (text.size() <= most)
        return text.size();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    // Step back over the continuation bytes before the cut to the lead byte they follow.
    std::size_t lead = most;
    while (lead > 0 && most - lead < 3 && (byte(lead) & 0xC0) == 0x80)
        --lead;
    const unsigned char first = byte(lead);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    // Only a character the cut would split goes whole; stray bytes of a text that is not
    // UTF-8 are cut where they are, as any other bytes.
    return lead < most && lead + length > most ? lead : most;
}

void SetDeviceText(char (&field)[DeviceRecord::kTextSize], std::string_view value)
{
    const std::size_t n = CutPoint(value, DeviceRecord::kTextSize - 1);
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy_n(value.begin(), n, field); // an empty view may have no data pointer
}

std::string_view TextOf(const char (&field)[DeviceRecord::kTextSize])
{
    return {field, strnlen(field, DeviceRecord::kTextSize)};
}
