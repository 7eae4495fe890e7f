#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/DeviceRecord.h"
#include "discovery/RegistryChange.h"

// The registry of found devices: one entry per address, in order of first report, at most
// kMaxDevices of them. The workers' reports list, update and remove devices; the owner clears,
// copies, ages and expires them; a listener hears of every change.
//
// One lock guards all of it, the listener included. A report holds it from its "have Mutex"
// log line to its last, so reports apply one at a time and their changes reach the listener
// in the order the registry made them. The listener therefore runs with the lock held: it must
// be quick and must not call back into the registry. Clear, Copy and Count take the same lock,
// so a reader waits for one report, or one Age or Expire, at most.
class CDeviceRegistry
{
public:
    static constexpr std::size_t kMaxDevices = 4096;

    // Applies a worker's report: an answer or an alive lists the device (other makers' are
    // dropped) or brings its entry up to date, a byebye removes it, any other kind is
    // ignored. nPort is the reporting worker's port, for the log.
    void Report(const DeviceRecord& device, std::int32_t nPort);
    // The owner's own act: not told to the listener.
    void Clear();
    std::vector<DeviceRecord> Copy() const;
    // How many devices are listed; cheap at any size, for callers that wait for a number.
    std::size_t Count() const;
    // Tells listener of every later change (an empty one stops that). Once this returns, the
    // listener it replaced is neither running nor called again.
    void SetListener(RegistryListener listener);
    // Counts a search that is about to be sent against every listed device and removes, as
    // Gone, those that have now missed more than maxMissed searches in a row. Each answer
    // sets a device's refreshCount back to 0, so refreshCount counts the searches since
    // its last answer.
    void Age(std::int32_t maxMissed);
    // Removes, as Gone, the devices that announced a max-age and have not been heard from
    // within it by now.
    void Expire(std::chrono::steady_clock::time_point now);
    // Lowers the cap of the list from kMaxDevices to cap (1 at least), so a test fills it
    // with a few devices where the receive is slow (under Wine). Applies to later reports.
    void SetCap(std::size_t cap);

private:
    // A listed device's place in the list and, while it is known from announcements alone,
    // its place in announcedOrder.
    struct Listing
    {
        std::list<DeviceRecord>::iterator device;
        std::optional<std::list<std::string>::iterator> announced;
    };
    using ListingMap = std::unordered_map<std::string, Listing>;

    // The steps of a report. They, and every ...Locked step below, run with the lock held.
    void DispatchDevice(const DeviceRecord& device);
    // Lists an accepted device, or updates the one listed at its address.
    void UpdateDevice(const DeviceRecord& device);
    // Brings a listed entry up to date with a report of its device; listedNow becomes the
    // entry as it is listed now.
    RegistryChange::Kind RefreshLocked(Listing& listing, const DeviceRecord& device, DeviceRecord& listedNow);
    // Removes the device listed at the report's address when it has the report's id. The
    // workers fill ip with the sender's address, so a device can only say its own goodbye.
    void RemoveDevice(const DeviceRecord& device);
    // Where a new device goes, making room when the list is full and the device answered a
    // search (a solicited answer). False when there is no room for it; evicted is then the
    // device that gave way, if any.
    bool MakeRoomLocked(const DeviceRecord& device, std::optional<DeviceRecord>& evicted);
    void EraseListedLocked(ListingMap::iterator listed);
    // Removes every listed device for which goes(device) holds, and tells of each as Gone.
    void RemoveWhere(RegistryChange::GoneReason reason, const std::function<bool(DeviceRecord&)>& goes);
    void NotifyLocked(RegistryChange::Kind kind, const DeviceRecord& device,
                      RegistryChange::GoneReason reason = RegistryChange::GoneReason::None);

    mutable std::mutex lock; // guards everything below
    // The registry in order of first report, with one entry per address; the index finds
    // an address's entry at the same cost whether 4 or 4,096 devices are listed.
    std::list<DeviceRecord> deviceList;
    ListingMap deviceByIP;
    // The addresses of devices known only from their announcements or from answers nobody
    // asked for (DeviceRecord::solicited), least recently heard first: when the list is
    // full, the first gives way to a device that answered a search, so a flood of forged
    // announcements or answers cannot keep a real device out.
    std::list<std::string> announcedOrder;
    RegistryListener listener;
    std::size_t cap = kMaxDevices;
};
