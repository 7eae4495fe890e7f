#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/DeviceRegistry.h"
#include "discovery/RegistryChange.h"

// Registry changes on their way from the workers' threads to the reader's. The queue holds at
// most one entry per device: while the reader is behind (a slow pipe), a device's later
// changes fold into its entry, so what waits is the latest state of each device, never every
// event. A "seen" only refreshes the entry it meets.
class CChangeQueue
{
public:
    // Listed devices, and as many gone ones the reader has not heard of yet.
    static constexpr std::size_t kMaxEntries = 2 * CDeviceRegistry::kMaxDevices;

    // Adds a change; true when the queue was empty before, so the reader is to be woken.
    bool Push(const RegistryChange& change);
    // The oldest entry; nothing when the queue is empty.
    std::optional<RegistryChange> Pop();
    std::size_t Size();
    // Forgets every waiting change and gives back the memory kept for later ones.
    void Clear();

private:
    using Index = std::unordered_map<std::string, std::list<RegistryChange>::iterator>;

    std::list<RegistryChange>::iterator Append(const RegistryChange& change, const std::string& address);

    std::mutex lock;
    std::list<RegistryChange> entries; // in order of each device's first waiting change
    Index byAddress;
    // What Pop took out, kept for the next Push: while the reader keeps up, a report costs
    // the worker's thread no allocation.
    std::list<RegistryChange> spareEntries;
    std::vector<Index::node_type> spareKeys;
};
