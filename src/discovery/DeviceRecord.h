#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

// One found device: a plain fixed-size value that crosses threads by copy; it is never
// stored or sent, so its size is free. Every text is narrow, at most 63 characters (a full
// UUID and an ordinary host name fit whole), and always zero-terminated.
struct DeviceRecord
{
    static constexpr std::size_t kTextSize = 64;
    static constexpr std::int32_t kRefreshValue = 60;

    char id[kTextSize] = {};
    char ip[kTextSize] = {};
    char host[kTextSize] = {};
    char product[kTextSize] = {};
    char detail[kTextSize] = {};
    char osVersion[kTextSize] = {};
    char vendor[kTextSize] = {};
    std::int32_t type = 0;
    std::int32_t refreshValue = kRefreshValue;
    std::int32_t refreshCount = 0;
    // Seconds the device said its report stays true (an SSDP CACHE-CONTROL max-age, within
    // bounds); 0 when it said nothing, as broadcast answers do.
    std::int32_t maxAge = 0;
    // When the registry last heard of the device; the registry sets it.
    std::chrono::steady_clock::time_point heardAt{};
    // Which protocol first brought the device in, for its details; no part of its identity.
    enum class Heard : std::uint8_t
    {
        Unknown,
        Broadcast,
        Ssdp
    };
    Heard heardBy = Heard::Unknown;
    // The texts this report gives only in part or not at all (PartialBit of each): a
    // broadcast answer carries no detail and no platform version, and its 128-byte item text
    // may end inside an item or before it. The registry keeps the fuller text it has.
    std::uint8_t partialTexts = 0;
    // An answer (type 1) that reached its worker, addressed to this machine, within the
    // answer window after that worker sent a query. Anyone can send an answer at any time:
    // one that nobody asked for counts no more than an announcement.
    bool solicited = false;

    void Clear() { *this = DeviceRecord{}; }

    // Two records describe the same device when their seven texts agree;
    // the report type and the refresh counters take no part.
    bool operator==(const DeviceRecord& other) const;
};

// The seven texts in the order of equality, for code that treats them alike, and the bit
// of each in DeviceRecord::partialTexts.
inline constexpr char (DeviceRecord::*kDeviceTexts[])[DeviceRecord::kTextSize] = {
    &DeviceRecord::id,     &DeviceRecord::ip,        &DeviceRecord::host,   &DeviceRecord::product,
    &DeviceRecord::detail, &DeviceRecord::osVersion, &DeviceRecord::vendor,
};
std::uint8_t PartialBit(char (DeviceRecord::*text)[DeviceRecord::kTextSize]);

// The device as the registry keeps it after report: the report's texts, except where the
// report gives a text only in part and the listed one begins with it (a fuller form of it).
DeviceRecord MergeReport(const DeviceRecord& listed, const DeviceRecord& report);
// Whether the device's own texts changed from listed to merged (a MergeReport): a text that
// only grew from a part of it to more of it is no change.
bool OwnTextsChanged(const DeviceRecord& listed, const DeviceRecord& merged);

// Whether two records describe a device the same way. A broadcast answer carries no detail
// and no platform version and an SSDP answer does, so a device heard by both protocols
// alternates between the two forms: a text that one of them leaves empty is not compared.
bool SameDescription(const DeviceRecord& a, const DeviceRecord& b);

// Where a text of more than `most` bytes is cut: at most `most` bytes, and never inside a
// UTF-8 character (one that would not fit whole is left out).
std::size_t CutPoint(std::string_view text, std::size_t most);
// A text that something cut at its end, without the first bytes of a character whose
// other bytes were cut off.
std::string_view WithoutCutCharacter(std::string_view text);

// Copies at most kTextSize - 1 bytes of value, cut by CutPoint, into a record text,
// zero-filling the rest.
void SetDeviceText(char (&field)[DeviceRecord::kTextSize], std::string_view value);

// A record text up to its terminator (or the field's end, should it have none).
std::string_view TextOf(const char (&field)[DeviceRecord::kTextSize]);
