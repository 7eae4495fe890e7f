#include <gtest/gtest.h>

#include <string>

#include "DiscoveryTestSupport.h"
#include "discovery/DeviceRegistry.h"
#include "discovery/SearchDeviceMultiCommandThead.h"

using testsupport::Address;
using testsupport::Device;

namespace {

// Hands a worker's reports to the registry, as the search service does.
class RegistrySink : public CDeviceReportSink
{
public:
    explicit RegistrySink(CDeviceRegistry& target) : registry(target) {}
    void OnDeviceFound(const DeviceRecord& device, std::int32_t nPort) override
    {
        registry.Report(device, nPort);
    }

private:
    CDeviceRegistry& registry;
};

class Registry : public testing::Test
{
protected:
    void Report(const DeviceRecord& device) { registry.Report(device, 1530); }
    std::string Listed()
    {
        std::string listed;
        for (const auto& device : registry.Copy())
            listed += std::string(device.id) + "@" + device.ip + "/" + device.host + "/" +
                      std::to_string(device.type) + " ";
        return listed;
    }

    CDeviceRegistry registry;
    RegistrySink sink{registry};
};

} // namespace

TEST_F(Registry, VendorFilterTakesTheWholeNameInAnyCase)
{
    const char* vendors[] = {"zandovert", "Kelmar", "durne", "Zandovert Inc", "ZANDOVER", ""};
    for (int i = 0; i < 6; ++i)
        Report(Device(std::to_string(i), "192.0.2." + std::to_string(i), 1 + i % 2, vendors[i]));
    EXPECT_EQ(Listed(), "0@192.0.2.0/disk/1 1@192.0.2.1/disk/2 2@192.0.2.2/disk/1 ");
}

TEST_F(Registry, UpdatesInPlaceByAddressAndKeepsTheFirstType)
{
    Report(Device("a", "192.0.2.1"));
    Report(Device("b", "192.0.2.2"));
    Report(Device("a2", "192.0.2.1", 1, "ZANDOVERT", "renamed"));
    DeviceRecord alive = Device("b", "192.0.2.2", 2);
    alive.refreshCount = 3;
    Report(alive);
    Report(Device("c", "192.0.2.3", 0)); // kinds other than answer, alive, byebye
    Report(Device("c", "192.0.2.3", 3));
    EXPECT_EQ(Listed(), "a2@192.0.2.1/renamed/1 b@192.0.2.2/disk/1 ");
    EXPECT_EQ(registry.Copy()[1].refreshCount, 3);
}

TEST_F(Registry, ByebyeCountsOnlyFromTheAddressTheDeviceIsListedAt)
{
    Report(Device("x", "192.0.2.1"));
    Report(Device("y", "192.0.2.2"));
    Report(Device("x", "192.0.2.3"));
    Report(Device("X", "192.0.2.1", 4));          // ids are case-sensitive
    Report(Device("x", "192.0.2.9", 4));          // from an address where x is not listed
    Report(Device("y", "192.0.2.1", 4));          // from x's address, for y
    Report(Device("x", "192.0.2.3", 4, "other")); // no vendor filter on removal
    EXPECT_EQ(Listed(), "x@192.0.2.1/disk/1 y@192.0.2.2/disk/1 ");
    // Two UUIDs that differ only at their end are two devices.
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d01", "192.0.2.4"));
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d02", "192.0.2.5"));
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d02", "192.0.2.5", 4));
    EXPECT_EQ(Listed(),
              "x@192.0.2.1/disk/1 y@192.0.2.2/disk/1 4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d01@192.0.2.4/disk/1 ");
    Report(Device("x", "192.0.2.3")); // a device that left comes back at the end
    EXPECT_TRUE(Listed().ends_with("9d01@192.0.2.4/disk/1 x@192.0.2.3/disk/1 "));
    EXPECT_EQ(registry.Count(), 4u);
    registry.Clear();
    Report(Device("y", "192.0.2.2", 2));
    EXPECT_EQ(Listed(), "y@192.0.2.2/disk/2 ");
}

TEST_F(Registry, DeviceTextsCannotForgeLogLines)
{
    testsupport::ScopedLogFile log;
    testing::internal::CaptureStdout();
    Report(Device("a\r\n[--00:00:00--]*forged\x1b[2J\x7f", "192.0.2.1"));
    const std::string echoed = testing::internal::GetCapturedStdout();
    const std::string line =
        "Handle 1530 : Search 1530 Thread Find Device ID : a\\x0d\\x0a[--00:00:00--]*forged\\x1b[2J\\x7f, "
        "IP : 192.0.2.1  *[";
    EXPECT_NE(echoed.find(line), std::string::npos) << echoed;
    EXPECT_EQ(log.Text(), echoed);
}

TEST_F(Registry, OneSenderIsOneEntryWhateverItsAnswersClaim)
{
    CSearchDeviceMultiCommandThead worker(&sink);
    for (int i = 0; i < 100; ++i) {
        const std::string claimed = "198.18.1." + std::to_string(i);
        testsupport::Deliver(worker,
                             wire::FormatSsdpAnswer({"id-" + std::to_string(i), claimed, "ZANDOVERT",
                                                     "forged", "NAS", "", "1.0"}),
                             "192.0.2.66");
    }
    EXPECT_EQ(Listed(), "id-99@192.0.2.66/forged/1 ");
}

TEST_F(Registry, AnsweringDevicesPushTheLongestUnheardAnnouncementsOutOfAFullList)
{
    std::string gone;
    registry.SetListener([&](const RegistryChange& change) {
        if (change.kind == RegistryChange::Kind::Gone)
            gone += std::string(change.device.id) +
                    (change.reason == RegistryChange::GoneReason::Displaced ? "(displaced) " : "(other) ");
    });
    const std::size_t full = CDeviceRegistry::kMaxDevices;
    for (std::size_t i = 0; i < full; ++i) // four answered the search, the rest only announced
        Report(Device(std::to_string(i), Address(i), i < 4 ? 1 : 2));
    Report(Device("4", Address(4), 2)); // heard again: now the last to go
    Report(Device("5", Address(5), 1)); // answered a search: never pushed out
    Report(Device("announced", Address(full), 2));
    Report(Device("real", Address(full + 1), 1));
    Report(Device("real2", Address(full + 2), 1));
    EXPECT_EQ(gone, "6(displaced) 7(displaced) ");
    EXPECT_EQ(registry.Count(), full);
    EXPECT_TRUE(
        Listed().ends_with("real@" + Address(full + 1) + "/disk/1 real2@" + Address(full + 2) + "/disk/1 "));
}

// A device heard by both protocols: the broadcast answer's 128 bytes cut its product, and
// carry no detail or platform version. The listing keeps the fuller texts and does not flip.
TEST_F(Registry, BothProtocolsMakeOneSteadyListing)
{
    std::string heard;
    registry.SetListener([&](const RegistryChange& change) {
        const char* kinds[] = {"+", "~", "=", "-"};
        heard += kinds[static_cast<int>(change.kind)] + std::string(change.device.host) + "/" +
                 change.device.product + "/" + change.device.detail + " ";
    });
    const auto ssdp = [](const char* host, const char* product) {
        DeviceRecord d = Device("uuid-1", "192.0.2.5", 1, "ZANDOVERT", host);
        SetDeviceText(d.product, product);
        SetDeviceText(d.detail, "fw2");
        SetDeviceText(d.osVersion, "1.0");
        return d;
    };
    const auto broadcast = [](const char* host, const char* product, bool productCut) {
        DeviceRecord d = Device("uuid-1", "192.0.2.5", 1, "ZANDOVERT", host);
        SetDeviceText(d.product, product);
        d.partialTexts = PartialBit(&DeviceRecord::detail) | PartialBit(&DeviceRecord::osVersion) |
                         (productCut ? PartialBit(&DeviceRecord::product) : 0);
        return d;
    };
    const struct
    {
        DeviceRecord report;
        const char* heard;
    } steps[] = {
        {broadcast("living-room", "Cloud Sto", true), "+living-room/Cloud Sto/ "},
        {ssdp("living-room", "Cloud Storage Pro"), "=living-room/Cloud Storage Pro/fw2 "}, // told more
        {broadcast("living-room", "Cloud Sto", true), "=living-room/Cloud Storage Pro/fw2 "},
        {ssdp("living-room", "Cloud Storage Pro"), "=living-room/Cloud Storage Pro/fw2 "},
        {broadcast("living-room", "Cloud", false), "~living-room/Cloud/fw2 "}, // whole, and another
        {ssdp("kitchen", "Cloud"), "~kitchen/Cloud/fw2 "},
        {broadcast("kitchen", "", true), "=kitchen/Cloud/fw2 "},
    };
    for (const auto& [report, expected] : steps) {
        heard.clear();
        Report(report);
        EXPECT_EQ(heard, expected) << report.host << "/" << report.product;
    }
    EXPECT_EQ(Listed(), "uuid-1@192.0.2.5/kitchen/1 ");
}

// Answers that arrive when no search of the worker is waiting for them (a flood of forged
// answers from many addresses) fill the list no better than announcements do.
TEST_F(Registry, AnswersNobodyAskedForGiveWayToAnswersToASearch)
{
    std::string gone;
    registry.SetListener([&](const RegistryChange& change) {
        if (change.kind == RegistryChange::Kind::Gone)
            gone += std::string(change.device.id) + " ";
    });
    const auto unasked = [](const std::string& id, const std::string& ip) {
        DeviceRecord device = Device(id, ip);
        device.solicited = false;
        return device;
    };
    const std::size_t full = CDeviceRegistry::kMaxDevices;
    for (std::size_t i = 0; i < full; ++i)
        Report(unasked("forged" + std::to_string(i), Address(i)));
    Report(unasked("late", Address(full)));     // no room, and none to make
    Report(Device("real", Address(full + 1)));  // the first forged one gives way
    Report(unasked("real", Address(full + 1))); // heard again unasked: keeps its place
    Report(Device("real2", Address(full + 2)));
    EXPECT_EQ(gone, "forged0 forged1 ");
    EXPECT_EQ(registry.Count(), full);
    EXPECT_TRUE(
        Listed().ends_with("real@" + Address(full + 1) + "/disk/1 real2@" + Address(full + 2) + "/disk/1 "));
}

TEST_F(Registry, NewDevicesBeyondTheCapAreDropped)
{
    for (std::size_t i = 0; i < CDeviceRegistry::kMaxDevices + 5; ++i)
        Report(
            Device(std::to_string(i), "198.18." + std::to_string(i / 256) + "." + std::to_string(i % 256)));
    EXPECT_EQ(registry.Copy().size(), CDeviceRegistry::kMaxDevices);
    Report(Device("renamed", "198.18.0.0"));
    Report(Device("1", "198.18.0.1", 4));
    const auto devices = registry.Copy();
    EXPECT_STREQ(devices[0].id, "renamed") << "an update still lands when full";
    EXPECT_EQ(devices.size(), CDeviceRegistry::kMaxDevices - 1) << "a removal still lands";
}

TEST_F(Registry, ListenerHearsEveryChangeInOrderAndSilentDevicesAgeOut)
{
    std::string heard;
    registry.SetListener([&](const RegistryChange& change) {
        const char* kinds[] = {"+", "~", "=", "-"};
        const char* reasons[] = {"", "(byebye)", "(expired)", "(missed)", "(displaced)"};
        heard += kinds[static_cast<int>(change.kind)] + std::string(change.device.id) + "/" +
                 change.device.host + reasons[static_cast<int>(change.reason)] + " ";
    });
    Report(Device("a", "192.0.2.1"));
    DeviceRecord broadcastForm = Device("b", "192.0.2.2");
    broadcastForm.partialTexts = PartialBit(&DeviceRecord::detail) | PartialBit(&DeviceRecord::osVersion);
    Report(broadcastForm);
    Report(Device("a", "192.0.2.1"));                            // again, unchanged
    Report(Device("a", "192.0.2.1", 2, "ZANDOVERT", "renamed")); // same address, new name
    DeviceRecord ssdpForm = Device("b", "192.0.2.2");
    SetDeviceText(ssdpForm.osVersion, "1.0"); // what a broadcast answer cannot say
    Report(ssdpForm);
    Report(Device("c", "192.0.2.3", 1, "OTHER")); // filtered: nothing to hear
    Report(Device("b", "192.0.2.2", 4));          // byebye
    Report(Device("b", "192.0.2.2", 4));          // byebye of a device no longer listed
    EXPECT_EQ(heard, "+a/disk +b/disk =a/disk ~a/renamed =b/disk -b/disk(byebye) ");

    heard.clear();
    Report(Device("d", "192.0.2.4"));
    registry.Age(2); // search 1: a and d are seen after it
    Report(Device("a", "192.0.2.1", 1, "ZANDOVERT", "renamed"));
    registry.Age(2); // search 2: only d answers
    Report(Device("d", "192.0.2.4"));
    registry.Age(2); // search 3: a missed two searches in a row
    EXPECT_EQ(heard, "+d/disk =a/renamed =d/disk ");
    registry.Age(2);
    EXPECT_EQ(heard, "+d/disk =a/renamed =d/disk -a/renamed(missed) ");
    EXPECT_EQ(Listed(), "d@192.0.2.4/disk/1 ");

    // A device that announced a max-age goes when it is not heard from within it; an answer
    // that promises nothing (a broadcast one) renews the promise, and d, which never
    // promised anything, stays however long it is silent.
    heard.clear();
    DeviceRecord promising = Device("e", "192.0.2.5");
    promising.maxAge = 5;
    Report(promising);
    const auto before = std::chrono::steady_clock::now();
    Report(Device("e", "192.0.2.5"));
    const auto after = std::chrono::steady_clock::now();
    registry.Expire(before + std::chrono::seconds(5));
    EXPECT_EQ(heard, "+e/disk =e/disk ");
    registry.Expire(after + std::chrono::milliseconds(5001));
    registry.Expire(after + std::chrono::hours(24 * 365));
    EXPECT_EQ(heard, "+e/disk =e/disk -e/disk(expired) ");
    EXPECT_EQ(Listed(), "d@192.0.2.4/disk/1 ");
}
