#include "discovery/DeviceRegistry.h"

#include <algorithm>
#include <cctype>

#include "discovery/DiagnosticLog.h"
#include "discovery/SearchProtocol.h"
#include "discovery/WorkerCounters.h"

namespace {

bool IsAcceptedVendor(const char (&vendor)[DeviceRecord::kTextSize])
{
    std::string upper(TextOf(vendor));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::find(wire::kAcceptedVendors.begin(), wire::kAcceptedVendors.end(), upper) !=
           wire::kAcceptedVendors.end();
}

} // namespace

void CDeviceRegistry::Clear()
{
    std::lock_guard hold(lock);
    deviceList.clear();
    deviceByIP.clear();
    announcedOrder.clear();
}

std::vector<DeviceRecord> CDeviceRegistry::Copy() const
{
    std::lock_guard hold(lock);
    return {deviceList.begin(), deviceList.end()};
}

std::size_t CDeviceRegistry::Count() const
{
    std::lock_guard hold(lock);
    return deviceList.size();
}

void CDeviceRegistry::SetListener(RegistryListener newListener)
{
    std::lock_guard hold(lock);
    listener = std::move(newListener);
}

void CDeviceRegistry::NotifyLocked(RegistryChange::Kind kind, const DeviceRecord& device,
                                   RegistryChange::GoneReason reason)
{
    if (listener)
        listener(RegistryChange{kind, device, std::chrono::system_clock::now(), reason});
}

void CDeviceRegistry::Age(std::int32_t maxMissed)
{
    RemoveWhere(RegistryChange::GoneReason::Missed,
                [maxMissed](DeviceRecord& device) { return ++device.refreshCount > maxMissed; });
}

void CDeviceRegistry::Expire(std::chrono::steady_clock::time_point now)
{
    RemoveWhere(RegistryChange::GoneReason::Expired, [now](DeviceRecord& device) {
        return device.maxAge > 0 && now - device.heardAt > std::chrono::seconds(device.maxAge);
    });
}

void CDeviceRegistry::RemoveWhere(RegistryChange::GoneReason reason,
                                  const std::function<bool(DeviceRecord&)>& goes)
{
    std::lock_guard hold(lock);
    for (auto device = deviceList.begin(); device != deviceList.end();) {
        if (!goes(*device)) {
            ++device;
            continue;
        }
        const DeviceRecord gone = *device;
        ++device; // the entry goes: step past it first
        EraseListedLocked(deviceByIP.find(std::string(TextOf(gone.ip))));
        NotifyLocked(RegistryChange::Kind::Gone, gone, reason);
    }
}

void CDeviceRegistry::Report(const DeviceRecord& device, std::int32_t nPort)
{
    WriteLog("Handle %d : Search %d Thread Find Device and wait for mutex  ", nPort, nPort);
    std::lock_guard hold(lock);
    WriteLog("Handle %d : Search %d Thread Find Device have Mutex  ", nPort, nPort);
    if (LogEnabled()) // device texts are escaped only when a log will write them
        WriteLog("Handle %d : Search %d Thread Find Device ID : %s, IP : %s  ", nPort, nPort,
                 LogText(TextOf(device.id)).c_str(), LogText(TextOf(device.ip)).c_str());
    DispatchDevice(device);
    WriteLog("Handle %d : Search %d Thread Find Device Success Handle  ", nPort, nPort);
}

void CDeviceRegistry::DispatchDevice(const DeviceRecord& device)
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
        break; // announcements we do not act on
    }
}

void CDeviceRegistry::UpdateDevice(const DeviceRecord& device)
{
    if (!IsAcceptedVendor(device.vendor)) {
        WorkerCounters::ReporterDrop(DropReason::OtherVendor);
        return; // another maker's device
    }
    DeviceRecord listedNow = device;
    listedNow.heardAt = std::chrono::steady_clock::now();
    // Each address is listed once, so the entry at this address is the only one that can be
    // equal to the report or take its place.
    const auto listed = deviceByIP.find(std::string(TextOf(device.ip)));
    if (listed != deviceByIP.end()) {
        const RegistryChange::Kind kind = RefreshLocked(listed->second, device, listedNow);
        WorkerCounters::ReporterListed();
        NotifyLocked(kind, listedNow);
        return;
    }
    std::optional<DeviceRecord> evicted;
    if (!MakeRoomLocked(device, evicted)) {
        WorkerCounters::ReporterDrop(DropReason::RegistryFull);
        return; // a flood of invented devices must not grow the list without bound
    }
    Listing listing{deviceList.insert(deviceList.end(), listedNow), std::nullopt};
    // Only an answer that reached its worker while one of its queries was waiting for answers
    // keeps its place; any other report may give it up to such an answer.
    if (!device.solicited)
        listing.announced = announcedOrder.insert(announcedOrder.end(), std::string(TextOf(device.ip)));
    deviceByIP.emplace(TextOf(device.ip), listing);
    WorkerCounters::ReporterListed();
    // The entry that gave way was the announcement heard from longest ago; it may well still
    // be there, so it is not said to have expired.
    if (evicted)
        NotifyLocked(RegistryChange::Kind::Gone, *evicted, RegistryChange::GoneReason::Displaced);
    NotifyLocked(RegistryChange::Kind::Appeared, listedNow);
}

RegistryChange::Kind CDeviceRegistry::RefreshLocked(Listing& listing, const DeviceRecord& device,
                                                    DeviceRecord& listedNow)
{
    RegistryChange::Kind kind = RegistryChange::Kind::Seen;
    DeviceRecord& stored = *listing.device;
    // A report that promises nothing (a broadcast answer) keeps the last promise.
    if (listedNow.maxAge == 0)
        listedNow.maxAge = stored.maxAge;
    // Heard by both protocols, a device gives some texts only in part through one of them:
    // the fuller text stays, so the listing does not flip between the two.
    const DeviceRecord merged = MergeReport(stored, device);
    if (stored == merged && stored.partialTexts == merged.partialTexts) {
        stored.refreshValue = device.refreshValue;
        stored.refreshCount = device.refreshCount;
        stored.maxAge = listedNow.maxAge;
        stored.heardAt = listedNow.heardAt;
        listedNow = stored;
    } else {
        kind = OwnTextsChanged(stored, merged) ? RegistryChange::Kind::Changed : RegistryChange::Kind::Seen;
        const auto maxAge = listedNow.maxAge;
        const auto heardAt = listedNow.heardAt;
        listedNow = merged;
        listedNow.maxAge = maxAge;
        listedNow.heardAt = heardAt;
        stored = listedNow; // the device at this address changed, or told more: in place
    }
    if (auto& announced = listing.announced) {
        if (device.solicited) {
            announcedOrder.erase(*announced);
            announced.reset();
        } else {
            announcedOrder.splice(announcedOrder.end(), announcedOrder, *announced); // heard again
        }
    }
    return kind;
}

void CDeviceRegistry::SetCap(std::size_t lowered)
{
    std::lock_guard hold(lock);
    cap = std::clamp<std::size_t>(lowered, 1, kMaxDevices);
}

bool CDeviceRegistry::MakeRoomLocked(const DeviceRecord& device, std::optional<DeviceRecord>& evicted)
{
    if (deviceList.size() < cap)
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

void CDeviceRegistry::EraseListedLocked(ListingMap::iterator listed)
{
    if (listed->second.announced)
        announcedOrder.erase(*listed->second.announced);
    deviceList.erase(listed->second.device);
    deviceByIP.erase(listed);
}

void CDeviceRegistry::RemoveDevice(const DeviceRecord& device)
{
    const auto listed = deviceByIP.find(std::string(TextOf(device.ip)));
    if (listed == deviceByIP.end())
        return; // nothing listed at the sender's address
    if (TextOf(listed->second.device->id) != TextOf(device.id))
        return; // a byebye for a device listed elsewhere, or for another device
    const DeviceRecord removed = *listed->second.device;
    EraseListedLocked(listed);
    NotifyLocked(RegistryChange::Kind::Gone, removed, RegistryChange::GoneReason::Byebye);
}
