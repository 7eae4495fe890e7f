#include "Inventory.h"

#include "DeviceListFormat.h"

#include "os/LocalFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace {

constexpr const char* kFormatName = "travelkin-inventory";
constexpr int kFormatVersion = 1;
// About 4,096 devices with long texts; far less than anything that could hold the program up.
constexpr std::size_t kMaxFileSize = 4u << 20;
// The file, its list of devices, a device, a device's values: nothing deeper is ours.
constexpr std::size_t kMaxDepth = 3;
// The file's own keys and, for each of the most devices a search lists, its keys and values.
constexpr std::size_t kMaxValues = 16 + 4096 * 24;

using Json = nlohmann::json;

// Why the reader stopped: the file is not one of ours, whatever else it may be.
struct Refused : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Parses the file's text and stops at the first value nested deeper than ours or past the
// number of values a saved list can have, so a hostile file costs neither stack nor memory.
Json ParseBounded(const std::string& text)
{
    std::size_t values = 0;
    const Json::parser_callback_t bounds = [&values](int depth, Json::parse_event_t event, Json&) {
        if (static_cast<std::size_t>(depth) > kMaxDepth)
            throw Refused("values nested deeper than a list of devices");
        if (event != Json::parse_event_t::key && event != Json::parse_event_t::object_end &&
            event != Json::parse_event_t::array_end && ++values > kMaxValues)
            throw Refused("more values than a list of devices can hold");
        return true;
    };
    return Json::parse(text, bounds);
}

struct TextField
{
    const char* key;
    char (DeviceRecord::*field)[DeviceRecord::kTextSize];
};

constexpr TextField kTextFields[] = {
    {"id", &DeviceRecord::id},         {"ip", &DeviceRecord::ip},
    {"host", &DeviceRecord::host},     {"product", &DeviceRecord::product},
    {"detail", &DeviceRecord::detail}, {"osVersion", &DeviceRecord::osVersion},
    {"vendor", &DeviceRecord::vendor},
};

std::string WithLastSeen(const InventoryEntry& entry)
{
    std::string object = FormatDeviceObject(entry.device);
    object.pop_back(); // the closing brace
    return object + ", \"lastSeen\": " + JsonString(entry.lastSeen) + "}";
}

// The text under the key; nothing when it is missing or not a text.
const std::string* TextAt(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : found->get_ptr<const std::string*>();
}

// One device of the file; false when a key is missing or a value could not have come
// from a device.
bool ReadEntry(const Json& node, InventoryEntry& entry)
{
    if (!node.is_object())
        return false;
    for (const TextField& text : kTextFields) {
        const std::string* value = TextAt(node, text.key);
        if (value == nullptr || value->size() >= DeviceRecord::kTextSize)
            return false;
        SetDeviceText(entry.device.*text.field, *value);
    }
    const auto type = node.find("type");
    const std::string* lastSeen = TextAt(node, "lastSeen");
    if (type == node.end() || !type->is_number_integer() || lastSeen == nullptr ||
        *type < std::numeric_limits<std::int32_t>::min() || *type > std::numeric_limits<std::int32_t>::max())
        return false;
    entry.device.type = type->get<std::int32_t>();
    entry.lastSeen = *lastSeen;
    return true;
}

const InventoryEntry* FindByAddress(const std::vector<InventoryEntry>& entries, const DeviceRecord& device)
{
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const InventoryEntry& entry) {
        return std::strncmp(entry.device.ip, device.ip, DeviceRecord::kTextSize) == 0;
    });
    return found == entries.end() ? nullptr : &*found;
}

const char* ChangeName(InventoryDifference::Kind kind)
{
    switch (kind) {
    case InventoryDifference::Kind::New:
        return "new";
    case InventoryDifference::Kind::Gone:
        return "gone";
    case InventoryDifference::Kind::Changed:
        break;
    }
    return "changed";
}

} // namespace

std::string FormatInventory(const std::vector<InventoryEntry>& entries, const std::string& savedAt)
{
    std::string out = std::string("{\"format\": \"") + kFormatName +
                      "\", \"version\": " + std::to_string(kFormatVersion) +
                      ", \"saved\": " + JsonString(savedAt) + ", \"devices\": [";
    for (std::size_t i = 0; i < entries.size(); ++i)
        out += (i == 0 ? "\n  " : ",\n  ") + WithLastSeen(entries[i]);
    return out + (entries.empty() ? "]}\n" : "\n]}\n");
}

bool SaveInventory(const std::string& path, const std::string& text, std::string& error)
{
    return ReplaceRegularFile(path, text, LinkHandling::ReplaceTarget, 0666, error) == LocalFileStatus::Done;
}

bool LoadInventory(const std::string& path, std::vector<InventoryEntry>& entries, std::string& error)
{
    std::string text;
    const LocalFileStatus read = ReadRegularFile(path, kMaxFileSize, text);
    if (read == LocalFileStatus::TooLarge) {
        error = path + " is too large to be a saved list of devices";
        return false;
    }
    if (read != LocalFileStatus::Done) {
        error = "cannot read " + path + ": it " + std::string(DescribeLocalFileStatus(read));
        return false;
    }
    return ReadInventory(text, path, entries, error);
}

bool ReadInventory(const std::string& text, const std::string& path, std::vector<InventoryEntry>& entries,
                   std::string& error)
{
    Json root;
    try {
        root = ParseBounded(text);
    } catch (const Json::exception& damage) {
        error = path + " is damaged (not JSON: " + damage.what() + ")";
        return false;
    } catch (const Refused& damage) {
        error = path + " is damaged (" + damage.what() + ")";
        return false;
    }
    const std::string* format = root.is_object() ? TextAt(root, "format") : nullptr;
    if (format == nullptr || *format != kFormatName) {
        error = path + " is not a list of devices saved by travelkin-search --save";
        return false;
    }
    const auto version = root.find("version");
    if (version == root.end() || !version->is_number_integer() || *version != kFormatVersion) {
        error = path + " was saved in a format version this program does not read";
        return false;
    }
    const auto devices = root.find("devices");
    if (devices == root.end() || !devices->is_array()) {
        error = path + " is damaged (no list of devices)";
        return false;
    }
    entries.clear();
    for (const Json& node : *devices) {
        InventoryEntry entry;
        if (!ReadEntry(node, entry)) {
            error = path + " is damaged (device " + std::to_string(entries.size() + 1) + " is incomplete)";
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}

std::vector<InventoryDifference> CompareInventory(const std::vector<InventoryEntry>& saved,
                                                  const std::vector<InventoryEntry>& now)
{
    using Kind = InventoryDifference::Kind;
    std::vector<InventoryDifference> differences;
    for (const InventoryEntry& entry : now) {
        const InventoryEntry* before = FindByAddress(saved, entry.device);
        if (before == nullptr)
            differences.push_back({Kind::New, entry});
        else if (!SameDescription(before->device, entry.device))
            differences.push_back({Kind::Changed, entry});
    }
    for (const InventoryEntry& entry : saved) {
        if (FindByAddress(now, entry.device) == nullptr)
            differences.push_back({Kind::Gone, entry});
    }
    return differences;
}

std::string FormatDifferences(const std::vector<InventoryDifference>& differences, bool json)
{
    if (!json) {
        std::vector<DeviceRecord> devices;
        std::vector<std::string> changes;
        for (const InventoryDifference& difference : differences) {
            devices.push_back(difference.entry.device);
            changes.push_back(ChangeName(difference.kind));
        }
        return differences.empty() ? std::string() : FormatDeviceTable(devices, changes);
    }
    std::string out = "[";
    for (std::size_t i = 0; i < differences.size(); ++i) {
        const InventoryDifference& d = differences[i];
        out += (i == 0 ? "\n  " : ",\n  ") + std::string("{\"change\": \"") + ChangeName(d.kind) +
               "\", \"device\": " + FormatDeviceObject(d.entry.device) +
               ", \"lastSeen\": " + JsonString(d.entry.lastSeen) + "}";
    }
    return out + (differences.empty() ? "]\n" : "\n]\n");
}
