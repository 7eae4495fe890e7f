#include "discovery/SearchDeviceService.h"

// The registry side of the search service: the device list, its index by address, what the
// workers' reports do to it and what the listener hears of it. The workers' side (start,
// searches, the network's changes, the exit) is in SearchDeviceService.cpp.

#include <algorithm>
#include <cctype>

#include "discovery/DiagnosticLog.h"

namespace {

bool IsAcceptedVendor(const char (&vendor)[DeviceRecord::kTextSize])
{
    std::string upper(TextOf(vendor));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::find(wire::kAcceptedVendors.begin(), wire::kAcceptedVendors.end(), upper)
        != wire::kAcceptedVendors.end();
}

} // namespace

void CSearchDeviceService::ClearDevices()
{
    std::lock_guard lock(registryLock);
    deviceList.clear();
    deviceByIP.clear();
    announcedOrder.clear();
}

std::vector<DeviceRecord> CSearchDeviceService::CopyDevices()
{
    std::lock_guard lock(registryLock);
    return {deviceList.begin(), deviceList.end()};
}

std::size_t CSearchDeviceService::DeviceCount()
{
    std::lock_guard lock(registryLock);
    return deviceList.size();
}

void CSearchDeviceService::SetRegistryListener(RegistryListener newListener)
{
    std::lock_guard lock(foundDeviceMutex);
    listener = std::move(newListener);
}

void CSearchDeviceService::Notify(RegistryChange::Kind kind, const DeviceRecord& device,
                                  RegistryChange::GoneReason reason)
{
    // Called under the found-device mutex and never under the registry lock, so changes
    // reach the listener one at a time and in order, and the listener cannot block the
    // window's copy of the list.
    if (listener)
        listener(RegistryChange{kind, device, std::chrono::system_clock::now(), reason});
}

void CSearchDeviceService::AgeDevices(std::int32_t maxMissed)
{
    RemoveDevicesWhere(RegistryChange::GoneReason::Missed,
                       [maxMissed](DeviceRecord& device) { return ++device.refreshCount > maxMissed; });
}

void CSearchDeviceService::ExpireDevices(std::chrono::steady_clock::time_point now)
{
    RemoveDevicesWhere(RegistryChange::GoneReason::Expired, [now](DeviceRecord& device) {
        return device.maxAge > 0 && now - device.heardAt > std::chrono::seconds(device.maxAge);
    });
}

void CSearchDeviceService::RemoveDevicesWhere(RegistryChange::GoneReason reason,
                                              const std::function<bool(DeviceRecord&)>& goes)
{
    std::lock_guard found(foundDeviceMutex);
    std::vector<DeviceRecord> gone;
    {
        std::lock_guard lock(registryLock);
        for (auto device = deviceList.begin(); device != deviceList.end();) {
            if (!goes(*device)) {
                ++device;
                continue;
            }
            gone.push_back(*device);
            ++device;   // the entry goes: step past it first
            EraseListedLocked(deviceByIP.find(std::string(TextOf(gone.back().ip))));
        }
    }
    for (const DeviceRecord& device : gone)
        Notify(RegistryChange::Kind::Gone, device, reason);
}

void CSearchDeviceService::OnDeviceFound(const DeviceRecord& device, std::int32_t nPort)
{
    WriteLog("Handle %d : Search %d Thread Find Device and wait for mutex  ", nPort, nPort);
    std::lock_guard lock(foundDeviceMutex);
    WriteLog("Handle %d : Search %d Thread Find Device have Mutex  ", nPort, nPort);
    if (LogEnabled())   // device texts are escaped only when a log will write them
        WriteLog("Handle %d : Search %d Thread Find Device ID : %s, IP : %s  ", nPort, nPort,
                 LogText(TextOf(device.id)).c_str(), LogText(TextOf(device.ip)).c_str());
    DispatchDevice(device);
    WriteLog("Handle %d : Search %d Thread Find Device Success Handle  ", nPort, nPort);
}

void CSearchDeviceService::DispatchDevice(DeviceRecord device)
{
    switch (device.type) {
    case wire::kReportAnswer:
    case wire::kReportAlive:
        UpdateDevice(device);
        break;
    case wire::kReportByebye:
        WorkerCounters::ReporterGoodbye();
        RemoveDevice(device);
        break;
    default:
        WorkerCounters::ReporterDrop(DropReason::NotDeviceAnswer);
        break;   // announcements we do not act on
    }
}

void CSearchDeviceService::UpdateDevice(const DeviceRecord& device)
{
    if (!IsAcceptedVendor(device.vendor)) {
        WorkerCounters::ReporterDrop(DropReason::OtherVendor);
        return;   // another maker's device
    }
    // Only an answer that reached its worker while one of its queries was waiting for
    // answers keeps its place; any other report may give it up to such an answer.
    const bool answered = device.solicited;
    RegistryChange::Kind kind = RegistryChange::Kind::Appeared;
    DeviceRecord listedNow = device;
    std::optional<DeviceRecord> evicted;
    listedNow.heardAt = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(registryLock);
        // Each address is listed once, so the entry at this address is the only one that can
        // be equal to the report or take its place.
        const auto listed = deviceByIP.find(std::string(TextOf(device.ip)));
        if (listed != deviceByIP.end()) {
            DeviceRecord& stored = *listed->second.device;
            // A report that promises nothing (a broadcast answer) keeps the last promise.
            if (listedNow.maxAge == 0)
                listedNow.maxAge = stored.maxAge;
            // Heard by both protocols, a device gives some texts only in part through one
            // of them: the fuller text stays, so the listing does not flip between the two.
            const DeviceRecord merged = MergeReport(stored, device);
            if (stored == merged && stored.partialTexts == merged.partialTexts) {
                stored.refreshValue = device.refreshValue;
                stored.refreshCount = device.refreshCount;
                stored.maxAge = listedNow.maxAge;
                stored.heardAt = listedNow.heardAt;
                kind = RegistryChange::Kind::Seen;
                listedNow = stored;
            } else {
                kind = OwnTextsChanged(stored, merged) ? RegistryChange::Kind::Changed : RegistryChange::Kind::Seen;
                const auto maxAge = listedNow.maxAge;
                const auto heardAt = listedNow.heardAt;
                listedNow = merged;
                listedNow.maxAge = maxAge;
                listedNow.heardAt = heardAt;
                stored = listedNow;   // the device at this address changed, or told more: in place
            }
            if (auto& announced = listed->second.announced) {
                if (answered) {
                    announcedOrder.erase(*announced);
                    announced.reset();
                } else {
                    announcedOrder.splice(announcedOrder.end(), announcedOrder, *announced);   // heard again
                }
            }
        } else if (!MakeRoomLocked(device, evicted)) {
            WorkerCounters::ReporterDrop(DropReason::RegistryFull);
            return;   // a flood of invented devices must not grow the list without bound
        } else {
            Listing listing{deviceList.insert(deviceList.end(), listedNow), std::nullopt};
            if (!answered)
                listing.announced = announcedOrder.insert(announcedOrder.end(), std::string(TextOf(device.ip)));
            deviceByIP.emplace(TextOf(device.ip), listing);
        }
    }
    WorkerCounters::ReporterListed();
    // The entry that gave way was the announcement heard from longest ago; it may well still
    // be there, so it is not said to have expired.
    if (evicted)
        Notify(RegistryChange::Kind::Gone, *evicted, RegistryChange::GoneReason::Displaced);
    Notify(kind, listedNow);
}

bool CSearchDeviceService::MakeRoomLocked(const DeviceRecord& device, std::optional<DeviceRecord>& evicted)
{
    if (deviceList.size() < kMaxDevices)
        return true;
    // Anyone can announce from any address; only a device that answered a search pushes an
    // announced-only entry out, and the one not heard from for longest goes first.
    if (!device.solicited || announcedOrder.empty())
        return false;
    const auto oldest = deviceByIP.find(announcedOrder.front());
    evicted = *oldest->second.device;
    EraseListedLocked(oldest);
    return true;
}

void CSearchDeviceService::EraseListedLocked(ListingMap::iterator listed)
{
    if (listed->second.announced)
        announcedOrder.erase(*listed->second.announced);
    deviceList.erase(listed->second.device);
    deviceByIP.erase(listed);
}

void CSearchDeviceService::RemoveDevice(const DeviceRecord& device)
{
    DeviceRecord removed;
    {
        std::lock_guard lock(registryLock);
        const auto listed = deviceByIP.find(std::string(TextOf(device.ip)));
        if (listed == deviceByIP.end())
            return;   // nothing listed at the sender's address
        if (TextOf(listed->second.device->id) != TextOf(device.id))
            return;   // a byebye for a device listed elsewhere, or for another device
        removed = *listed->second.device;
        EraseListedLocked(listed);
    }
    Notify(RegistryChange::Kind::Gone, removed, RegistryChange::GoneReason::Byebye);
}
