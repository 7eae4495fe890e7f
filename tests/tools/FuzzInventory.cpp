// Reads the input as a saved list of devices (what --compare reads). Whatever it holds, the
// reader returns within its bounds; a list it accepts is written out again as --save writes
// it and must read back to the same devices.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "search/Inventory.h"

namespace {

void Check(bool rule, const char* what)
{
    if (!rule) {
        std::fprintf(stderr, "inventory rule broken: %s\n", what);
        std::abort();
    }
}

bool SameEntry(const InventoryEntry& a, const InventoryEntry& b)
{
    return a.device == b.device && a.device.type == b.device.type && a.lastSeen == b.lastSeen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<InventoryEntry> entries;
    std::string error;
    if (!ReadInventory(text, "input", entries, error)) {
        Check(error.rfind("input ", 0) == 0, "a refusal names the file first");
        return 0;
    }
    std::vector<InventoryEntry> again;
    Check(ReadInventory(FormatInventory(entries, "2026-01-02T03:04:05.678Z"), "saved", again, error),
          "a list read is saved in a form that reads back");
    Check(again.size() == entries.size(), "as many devices read back as were saved");
    for (std::size_t i = 0; i < entries.size(); ++i)
        Check(SameEntry(entries[i], again[i]), "each device reads back as it was saved");
    // Everything a saved list becomes in --compare's output, for the formatters' sake.
    const std::vector<InventoryDifference> gone = CompareInventory(entries, {});
    Check(gone.size() == entries.size(), "against nothing, every saved device is gone");
    static_cast<void>(FormatDifferences(gone, true));
    static_cast<void>(FormatDifferences(gone, false));
    return 0;
}
