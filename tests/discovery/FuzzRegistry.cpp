// Feeds a run of datagrams through both parsers into a real registry and checks its rules
// after every one: at most kMaxDevices entries, one entry per address, only addresses that
// really sent something, only accepted vendors, and each report applied exactly as an
// answer, an alive or a byebye must be (a byebye counts only from the device's own address).
//
// Input: records of [kind][length high][length low][length bytes]. Bit 0 of kind picks the
// SSDP parser (else the broadcast one), bits 1 to 3 one of eight senders. A cut last
// record is delivered as far as it goes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "discovery/DeviceRegistry.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMulticastThread.h"

namespace {

constexpr const char* kSenders[] = {"192.0.2.1", "192.0.2.2", "192.0.2.3", "192.0.2.4",
                                    "192.0.2.5", "192.0.2.6", "192.0.2.7", "198.18.0.1"};

void Check(bool rule, const char* what)
{
    if (!rule) {
        std::fprintf(stderr, "registry rule broken: %s\n", what);
        std::abort();
    }
}

// Passes every report on to the registry and keeps the last one for the checks.
class ForwardingSink : public CDeviceReportSink
{
public:
    explicit ForwardingSink(CDeviceRegistry& registry) : registry(registry) {}
    void OnDeviceFound(const DeviceRecord& device, std::int32_t nPort) override
    {
        last = device;
        registry.Report(device, nPort);
    }
    std::optional<DeviceRecord> last;

private:
    CDeviceRegistry& registry;
};

bool Same(const DeviceRecord& a, const DeviceRecord& b)
{
    return a == b && a.type == b.type && a.refreshValue == b.refreshValue && a.refreshCount == b.refreshCount;
}

bool SameList(const std::vector<DeviceRecord>& a, const std::vector<DeviceRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!Same(a[i], b[i]))
            return false;
    }
    return true;
}

bool Accepted(const DeviceRecord& device)
{
    std::string vendor(TextOf(device.vendor));
    for (char& c : vendor)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return std::find(wire::kAcceptedVendors.begin(), wire::kAcceptedVendors.end(), vendor) !=
           wire::kAcceptedVendors.end();
}

bool FromASender(const DeviceRecord& device)
{
    for (const char* sender : kSenders) {
        if (TextOf(device.ip) == sender)
            return true;
    }
    return false;
}

void CheckInvariants(const std::vector<DeviceRecord>& devices)
{
    Check(devices.size() <= CDeviceRegistry::kMaxDevices, "more entries than the cap");
    for (std::size_t i = 0; i < devices.size(); ++i) {
        Check(FromASender(devices[i]), "an address that sent nothing is listed");
        Check(Accepted(devices[i]), "another maker's device is listed");
        for (std::size_t j = i + 1; j < devices.size(); ++j)
            Check(TextOf(devices[i].ip) != TextOf(devices[j].ip), "an address is listed twice");
    }
}

// What the registry must hold after `report` was applied to `before`.
std::vector<DeviceRecord> Expected(std::vector<DeviceRecord> before, const DeviceRecord& report)
{
    const bool byebye = report.type == wire::kReportByebye;
    const bool update = report.type == wire::kReportAnswer || report.type == wire::kReportAlive;
    for (auto at = before.begin(); at != before.end(); ++at) {
        if (TextOf(at->ip) != TextOf(report.ip))
            continue;
        if (byebye && TextOf(at->id) == TextOf(report.id)) {
            before.erase(at);
        } else if (update && Accepted(report)) {
            // A text the report gives only in part does not replace a fuller one it begins
            // (the merge has its own tests); what the registry keeps is the merged record.
            const DeviceRecord merged = MergeReport(*at, report);
            if (*at == merged && at->partialTexts == merged.partialTexts) {
                at->refreshValue = report.refreshValue; // the first type stays
                at->refreshCount = report.refreshCount;
            } else {
                *at = merged;
            }
        }
        return before;
    }
    if (update && Accepted(report) && before.size() < CDeviceRegistry::kMaxDevices)
        before.push_back(report);
    return before;
}

struct Harness
{
    CDeviceRegistry registry;
    ForwardingSink sink{registry};
    CSearchDeviceBroadcastThread broadcast{&sink}; // no socket: only the parsers run
    CSearchDeviceMulticastThread ssdp{&sink};
};

void Deliver(Harness& harness, std::uint8_t kind, const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > CSearchDeviceThread::kReceiveSize)
        return; // the receive loop never hands these on
    std::vector<char> area(data, data + size);
    area.push_back('\0');
    const char* sender = kSenders[(kind >> 1) & 7];
    CSearchDeviceThread& worker = (kind & 1) ? static_cast<CSearchDeviceThread&>(harness.ssdp)
                                             : static_cast<CSearchDeviceThread&>(harness.broadcast);
    const std::vector<DeviceRecord> before = harness.registry.Copy();
    harness.sink.last.reset();
    worker.HandleRecvInfo(area.data(), size, sender);
    const std::vector<DeviceRecord> after = harness.registry.Copy();
    CheckInvariants(after);
    if (harness.sink.last) {
        Check(TextOf(harness.sink.last->ip) == sender, "a report is not at its sender's address");
        Check(SameList(after, Expected(before, *harness.sink.last)), "a report was applied wrongly");
    } else {
        Check(SameList(after, before), "the registry changed without a report");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Harness harness;
    harness.registry.Clear();
    harness.broadcast.ResetDeviceInfo();
    harness.ssdp.ResetDeviceInfo();
    for (std::size_t at = 0; at + 3 <= size;) {
        const std::uint8_t kind = data[at];
        const std::size_t length = std::size_t{data[at + 1]} << 8 | data[at + 2];
        at += 3;
        const std::size_t take = length < size - at ? length : size - at;
        Deliver(harness, kind, data + at, take);
        at += take;
    }
    return 0;
}
