#pragma once

#include "discovery/DeviceRecord.h"

#include <string>
#include <vector>

// The devices of one search, kept in a file between runs (--save) and compared with a later
// search (--compare). The file is JSON:
//   {"format": "travelkin-inventory", "version": 1, "saved": TIME,
//    "devices": [{the keys of a listed device..., "lastSeen": TIME}, ...]}
// with every TIME in UTC with milliseconds.

struct InventoryEntry
{
    DeviceRecord device;
    std::string lastSeen;
};

struct InventoryDifference
{
    enum class Kind
    {
        New,
        Gone,
        Changed
    };
    Kind kind;
    InventoryEntry entry; // as found now; for Gone, as saved
};

std::string FormatInventory(const std::vector<InventoryEntry>& entries, const std::string& savedAt);

// Writes text under a temporary name in the file's folder and renames it over the file, so
// the file is always either the old one or the whole new one. A link is followed and the file
// it names replaced; a FIFO, a device or a folder is refused and left alone; an existing file
// keeps its permissions.
bool SaveInventory(const std::string& path, const std::string& text, std::string& error);

// Reads a file that FormatInventory wrote; false, with the reason, for a file that cannot be
// read (not a regular file, a few MiB at most), is not JSON, is nested deeper or holds more
// values than a list of devices, or is JSON of another kind or with a value of the wrong type.
bool LoadInventory(const std::string& path, std::vector<InventoryEntry>& entries, std::string& error);
// The same for text already read; `path` names the file in each reason.
bool ReadInventory(const std::string& text, const std::string& path, std::vector<InventoryEntry>& entries,
                   std::string& error);

// Devices are matched by address, as the registry matches them; in the order of the
// current list, then the gone ones in the order of the file.
std::vector<InventoryDifference> CompareInventory(const std::vector<InventoryEntry>& saved,
                                                  const std::vector<InventoryEntry>& now);

// A table (CHANGE, then the device's columns), or with json an array of
// {"change": "new"|"gone"|"changed", "device": {...}, "lastSeen": TIME}.
std::string FormatDifferences(const std::vector<InventoryDifference>& differences, bool json);
