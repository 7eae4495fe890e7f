#include "Inventory.h"

#include "DeviceListFormat.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

namespace {

constexpr const char* kFormatName = "travelkin-inventory";
constexpr int kFormatVersion = 1;
constexpr std::uintmax_t kMaxFileSize = 16u << 20;   // far above 4096 devices

using Tree = boost::property_tree::ptree;

struct TextField
{
    const char* key;
    char (DeviceRecord::*field)[DeviceRecord::kTextSize];
};

constexpr TextField kTextFields[] = {
    {"id", &DeviceRecord::id},           {"ip", &DeviceRecord::ip},
    {"host", &DeviceRecord::host},       {"product", &DeviceRecord::product},
    {"detail", &DeviceRecord::detail},   {"osVersion", &DeviceRecord::osVersion},
    {"vendor", &DeviceRecord::vendor},
};

std::string WithLastSeen(const InventoryEntry& entry)
{
    std::string object = FormatDeviceObject(entry.device);
    object.pop_back();   // the closing brace
    return object + ", \"lastSeen\": " + JsonString(entry.lastSeen) + "}";
}

// One device of the file; false when a key is missing or a value could not have come
// from a device.
bool ReadEntry(const Tree& node, InventoryEntry& entry)
{
    for (const TextField& text : kTextFields) {
        const auto value = node.get_optional<std::string>(text.key);
        if (!value || value->size() >= DeviceRecord::kTextSize)
            return false;
        SetDeviceText(entry.device.*text.field, *value);
    }
    const auto type = node.get_optional<int>("type");
    const auto lastSeen = node.get_optional<std::string>("lastSeen");
    if (!type || !lastSeen)
        return false;
    entry.device.type = *type;
    entry.lastSeen = *lastSeen;
    return true;
}

std::string TemporaryNameBeside(const std::filesystem::path& path)
{
    std::random_device random;
    return (path.parent_path() / ("." + path.filename().string() + ".tmp" + std::to_string(random()))).string();
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
    std::string out = std::string("{\"format\": \"") + kFormatName + "\", \"version\": "
        + std::to_string(kFormatVersion) + ", \"saved\": " + JsonString(savedAt) + ", \"devices\": [";
    for (std::size_t i = 0; i < entries.size(); ++i)
        out += (i == 0 ? "\n  " : ",\n  ") + WithLastSeen(entries[i]);
    return out + (entries.empty() ? "]}\n" : "\n]}\n");
}

bool SaveInventory(const std::string& path, const std::string& text, std::string& error)
{
    const std::string temporary = TemporaryNameBeside(path);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            error = "cannot write " + temporary;
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        error = "cannot replace " + path + ": " + failure.message();
        std::filesystem::remove(temporary, failure);
        return false;
    }
    return true;
}

bool LoadInventory(const std::string& path, std::vector<InventoryEntry>& entries, std::string& error)
{
    std::error_code failure;
    const auto size = std::filesystem::file_size(path, failure);
    if (failure) {
        error = "cannot read " + path + ": " + failure.message();
        return false;
    }
    if (size > kMaxFileSize) {
        error = path + " is too large to be a saved list of devices";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    Tree root;
    try {
        boost::property_tree::read_json(file, root);
    } catch (const boost::property_tree::json_parser_error& damage) {
        error = path + " is damaged (not JSON: " + damage.message() + " at line "
            + std::to_string(damage.line()) + ")";
        return false;
    }
    if (root.get<std::string>("format", "") != kFormatName) {
        error = path + " is not a list of devices saved by travelkin-search --save";
        return false;
    }
    if (root.get<int>("version", 0) != kFormatVersion) {
        error = path + " was saved in a format version this program does not read";
        return false;
    }
    const auto devices = root.get_child_optional("devices");
    if (!devices || (devices->empty() && !devices->data().empty())) {
        error = path + " is damaged (no list of devices)";
        return false;
    }
    entries.clear();
    for (const auto& [key, node] : *devices) {
        InventoryEntry entry;
        if (!key.empty() || !ReadEntry(node, entry)) {
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
        out += (i == 0 ? "\n  " : ",\n  ") + std::string("{\"change\": \"") + ChangeName(d.kind)
            + "\", \"device\": " + FormatDeviceObject(d.entry.device)
            + ", \"lastSeen\": " + JsonString(d.entry.lastSeen) + "}";
    }
    return out + (differences.empty() ? "]\n" : "\n]\n");
}
