#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <system_error>

#include "discovery/DirectHosts.h"

#include "DiscoveryTestSupport.h"
#include "TestPlatform.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMultiCommandThead.h"
#include "discovery/SearchDeviceService.h"

using Kind = CSearchDeviceService::WorkerKind;
using namespace std::chrono_literals;

namespace {

DeviceRecord Device(const std::string& id, const std::string& ip, std::int32_t type = 1,
                    const char* vendor = "ZANDOVERT", const char* host = "disk")
{
    DeviceRecord device;
    SetDeviceText(device.id, id);
    SetDeviceText(device.ip, ip);
    SetDeviceText(device.vendor, vendor);
    SetDeviceText(device.host, host);
    device.type = type;
    device.solicited = type == wire::kReportAnswer;   // an answer to a search under way
    return device;
}

using Clock = std::chrono::steady_clock;

// A worker that opens no socket and records what the service asks of it, and when it was
// asked to send. The service's own thread records its repeats, so the record is locked.
class RecordingWorker : public CSearchDeviceThread
{
public:
    explicit RecordingWorker(std::vector<std::string>& calls, std::int32_t busyPort = 0,
                             std::vector<Clock::time_point>* sendTimes = nullptr)
        : calls(calls), busyPort(busyPort), sendTimes(sendTimes)
    {
        ++live;
    }
    ~RecordingWorker() override { --live; }
    void CreateWorkThread() override
    {
        if (TestPort() && Port() == busyPort)
            ++nPort;   // taken: a real worker retries on the next port
        Record("create");
    }
    void ExitSearchThread() override { Record("exit"); }
    void HoldReceiveThread() override { Record("hold"); }
    void ReleaseReceiveThread() override { Record("release"); }
    void ResetDeviceInfo() override { Record("reset"); }
    void RenewNetwork(const std::vector<LocalNetwork>&, bool networkChanged) override
    {
        if (networkChanged)
            Record("renew");
    }
    int SendSearchCommand(const wire::SearchPacket& packet) override
    {
        Record(packet == wire::MakeSearchQuery() ? "send" : "send other");
        if (sendTimes) {
            std::lock_guard lock(Lock());
            sendTimes->push_back(Clock::now());
        }
        return 0;
    }
    int SendDirectSearch(const wire::SearchPacket&, const boost::asio::ip::address_v4& host) override
    {
        Record("direct " + host.to_string());
        return 0;
    }

    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }
    static inline std::atomic<int> live{0};

private:
    void Record(const std::string& what)
    {
        std::lock_guard lock(Lock());
        calls.push_back(what + " " + LocalIP() + ":" + std::to_string(Port()) + (TestPort() ? "+" : ""));
        if (what.starts_with("direct"))
            calls.back() = what + " from " + LocalIP() + ":" + std::to_string(Port());
    }
    std::vector<std::string>& calls;
    std::int32_t busyPort;
    std::vector<Clock::time_point>* sendTimes;
};

class Registry : public testing::Test
{
protected:
    void Report(const DeviceRecord& device) { service.OnDeviceFound(device, 1530); }
    std::string Listed()
    {
        std::string listed;
        for (const auto& device : service.CopyDevices())
            listed += std::string(device.id) + "@" + device.ip + "/" + device.host + "/" + std::to_string(device.type) + " ";
        return listed;
    }

    CSearchDeviceService service{CSearchDeviceService::Options{}};
};

class SearchService : public testing::Test
{
protected:
    CSearchDeviceService::Options FakeOptions()
    {
        CSearchDeviceService::Options options;
        options.localAddresses = [this] { return addresses; };
        options.makeWorker = [this](Kind kind, CDeviceReportSink*) {
            if (kind == Kind::Command && outOfDescriptors)
                throw std::system_error(EMFILE, std::generic_category(), "socket");
            return std::make_unique<RecordingWorker>(calls, busyPort, &sendTimes);
        };
        options.resendDelays = {};
        options.watchNetwork = false;
        return options;
    }
    std::size_t Count(const std::string& what)
    {
        std::lock_guard lock(RecordingWorker::Lock());
        return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.starts_with(what + " ");
        }));
    }

    std::size_t SentSince(Clock::time_point since)
    {
        std::lock_guard lock(RecordingWorker::Lock());
        return static_cast<std::size_t>(std::count_if(
            sendTimes.begin(), sendTimes.end(), [since](Clock::time_point sent) { return sent >= since; }));
    }

    std::vector<std::string> addresses;
    std::vector<std::string> calls;
    std::vector<Clock::time_point> sendTimes;
    std::int32_t busyPort = 1530;   // the first command worker moves on to 1531
    bool outOfDescriptors = false;
};

std::string Address(std::size_t i)
{
    return "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

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
    Report(Device("c", "192.0.2.3", 0));   // kinds other than answer, alive, byebye
    Report(Device("c", "192.0.2.3", 3));
    EXPECT_EQ(Listed(), "a2@192.0.2.1/renamed/1 b@192.0.2.2/disk/1 ");
    EXPECT_EQ(service.CopyDevices()[1].refreshCount, 3);
}

TEST_F(Registry, ByebyeCountsOnlyFromTheAddressTheDeviceIsListedAt)
{
    Report(Device("x", "192.0.2.1"));
    Report(Device("y", "192.0.2.2"));
    Report(Device("x", "192.0.2.3"));
    Report(Device("X", "192.0.2.1", 4));   // ids are case-sensitive
    Report(Device("x", "192.0.2.9", 4));   // from an address where x is not listed
    Report(Device("y", "192.0.2.1", 4));   // from x's address, for y
    Report(Device("x", "192.0.2.3", 4, "other"));   // no vendor filter on removal
    EXPECT_EQ(Listed(), "x@192.0.2.1/disk/1 y@192.0.2.2/disk/1 ");
    // Two UUIDs that differ only at their end are two devices.
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d01", "192.0.2.4"));
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d02", "192.0.2.5"));
    Report(Device("4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d02", "192.0.2.5", 4));
    EXPECT_EQ(Listed(), "x@192.0.2.1/disk/1 y@192.0.2.2/disk/1 4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d01@192.0.2.4/disk/1 ");
    Report(Device("x", "192.0.2.3"));   // a device that left comes back at the end
    EXPECT_TRUE(Listed().ends_with("9d01@192.0.2.4/disk/1 x@192.0.2.3/disk/1 "));
    EXPECT_EQ(service.DeviceCount(), 4u);
    service.ClearDevices();
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
    CSearchDeviceMultiCommandThead worker(&service);
    for (int i = 0; i < 100; ++i) {
        const std::string claimed = "198.18.1." + std::to_string(i);
        testsupport::Deliver(worker, wire::FormatSsdpAnswer({"id-" + std::to_string(i), claimed, "ZANDOVERT",
                                                             "forged", "NAS", "", "1.0"}),
                             "192.0.2.66");
    }
    EXPECT_EQ(Listed(), "id-99@192.0.2.66/forged/1 ");
}

TEST_F(Registry, AnsweringDevicesPushTheLongestUnheardAnnouncementsOutOfAFullList)
{
    std::string gone;
    service.SetRegistryListener([&](const RegistryChange& change) {
        if (change.kind == RegistryChange::Kind::Gone)
            gone += std::string(change.device.id)
                + (change.reason == RegistryChange::GoneReason::Displaced ? "(displaced) " : "(other) ");
    });
    const std::size_t full = CSearchDeviceService::kMaxDevices;
    for (std::size_t i = 0; i < full; ++i)   // four answered the search, the rest only announced
        Report(Device(std::to_string(i), Address(i), i < 4 ? 1 : 2));
    Report(Device("4", Address(4), 2));   // heard again: now the last to go
    Report(Device("5", Address(5), 1));   // answered a search: never pushed out
    Report(Device("announced", Address(full), 2));
    Report(Device("real", Address(full + 1), 1));
    Report(Device("real2", Address(full + 2), 1));
    EXPECT_EQ(gone, "6(displaced) 7(displaced) ");
    EXPECT_EQ(service.DeviceCount(), full);
    EXPECT_TRUE(Listed().ends_with("real@" + Address(full + 1) + "/disk/1 real2@" + Address(full + 2) + "/disk/1 "));
}

// A device heard by both protocols: the broadcast answer's 128 bytes cut its product, and
// carry no detail or platform version. The listing keeps the fuller texts and does not flip.
TEST_F(Registry, BothProtocolsMakeOneSteadyListing)
{
    std::string heard;
    service.SetRegistryListener([&](const RegistryChange& change) {
        const char* kinds[] = {"+", "~", "=", "-"};
        heard += kinds[static_cast<int>(change.kind)] + std::string(change.device.host) + "/"
            + change.device.product + "/" + change.device.detail + " ";
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
        d.partialTexts = PartialBit(&DeviceRecord::detail) | PartialBit(&DeviceRecord::osVersion)
            | (productCut ? PartialBit(&DeviceRecord::product) : 0);
        return d;
    };
    const struct
    {
        DeviceRecord report;
        const char* heard;
    } steps[] = {
        {broadcast("living-room", "Cloud Sto", true), "+living-room/Cloud Sto/ "},
        {ssdp("living-room", "Cloud Storage Pro"), "=living-room/Cloud Storage Pro/fw2 "},   // told more
        {broadcast("living-room", "Cloud Sto", true), "=living-room/Cloud Storage Pro/fw2 "},
        {ssdp("living-room", "Cloud Storage Pro"), "=living-room/Cloud Storage Pro/fw2 "},
        {broadcast("living-room", "Cloud", false), "~living-room/Cloud/fw2 "},   // whole, and another
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
    service.SetRegistryListener([&](const RegistryChange& change) {
        if (change.kind == RegistryChange::Kind::Gone)
            gone += std::string(change.device.id) + " ";
    });
    const auto unasked = [](const std::string& id, const std::string& ip) {
        DeviceRecord device = Device(id, ip);
        device.solicited = false;
        return device;
    };
    const std::size_t full = CSearchDeviceService::kMaxDevices;
    for (std::size_t i = 0; i < full; ++i)
        Report(unasked("forged" + std::to_string(i), Address(i)));
    Report(unasked("late", Address(full)));     // no room, and none to make
    Report(Device("real", Address(full + 1)));  // the first forged one gives way
    Report(unasked("real", Address(full + 1))); // heard again unasked: keeps its place
    Report(Device("real2", Address(full + 2)));
    EXPECT_EQ(gone, "forged0 forged1 ");
    EXPECT_EQ(service.DeviceCount(), full);
    EXPECT_TRUE(Listed().ends_with("real@" + Address(full + 1) + "/disk/1 real2@" + Address(full + 2) + "/disk/1 "));
}

TEST_F(Registry, NewDevicesBeyondTheCapAreDropped)
{
    for (std::size_t i = 0; i < CSearchDeviceService::kMaxDevices + 5; ++i)
        Report(Device(std::to_string(i), "198.18." + std::to_string(i / 256) + "." + std::to_string(i % 256)));
    EXPECT_EQ(service.CopyDevices().size(), CSearchDeviceService::kMaxDevices);
    Report(Device("renamed", "198.18.0.0"));
    Report(Device("1", "198.18.0.1", 4));
    const auto devices = service.CopyDevices();
    EXPECT_STREQ(devices[0].id, "renamed") << "an update still lands when full";
    EXPECT_EQ(devices.size(), CSearchDeviceService::kMaxDevices - 1) << "a removal still lands";
}

TEST_F(SearchService, WorkersAreMadeOncePerAddressOnConsecutivePorts)
{
    addresses = {"192.0.2.10", "192.0.2.11"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    service.SendSearchRequest();   // searches with what the start found
    addresses = {"192.0.2.10", "192.0.2.12"};   // .11 went away, .12 came
    calls.clear();
    service.SendSearchRequest();
    EXPECT_EQ(calls, (std::vector<std::string>{"create 192.0.2.12:1570+", "reset :67", "send :67", "reset :1900",
                                               "send :1900", "reset 192.0.2.10:1531+", "send 192.0.2.10:1531+",
                                               "reset 192.0.2.11:1550+", "send 192.0.2.11:1550+",
                                               "reset 192.0.2.12:1570+", "send 192.0.2.12:1570+"}));
    addresses = {"192.0.2.11", "192.0.2.11", "192.0.2.10"};   // back again, and twice
    service.SendSearchRequest();
    EXPECT_EQ(service.Workers().size(), 5u);
    calls.clear();
    service.ExitSearchService();
    EXPECT_EQ(calls, (std::vector<std::string>{"exit :67", "exit :1900", "exit 192.0.2.10:1531+",
                                               "exit 192.0.2.11:1550+", "exit 192.0.2.12:1570+"}));
}

TEST_F(SearchService, WorkersOfGoneAddressesEndAndTheirNumberStaysBounded)
{
    testsupport::ScopedLogFile log;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(testsupport::SetEnvironment("TRAVELKIN_LOG", log.path.c_str()));
    addresses = {"192.0.2.10"};
    CSearchDeviceService::Options options = FakeOptions();
    options.addressGrace = 1h;   // only the cap ends workers here
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    service.SendSearchRequest();
    testsupport::SetEnvironment("TRAVELKIN_LOG", nullptr);
    outOfDescriptors = true;
    addresses = {"192.0.2.10", Address(0)};
    service.SendSearchRequest();
    EXPECT_EQ(service.Workers().size(), 3u) << "a worker that cannot be made is skipped";
    outOfDescriptors = false;
    for (std::size_t i = 0; i < 1000; ++i) {
        addresses = {"192.0.2.10", Address(i)};
        service.SendSearchRequest();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(log.Contains("Add Search Device Work Thread Error : IP = 198.18.0.1, port 1550 : socket: "));
    EXPECT_TRUE(log.Contains("Remove Search Device Work Thread : IP = 198.18.0.1, nPort = 1550, Address Gone"));
    const auto workers = service.Workers();
    ASSERT_EQ(workers.size(), 4 + CSearchDeviceService::kMaxGoneWorkers);
    EXPECT_EQ(RecordingWorker::live.load(), static_cast<int>(workers.size())) << "ended workers are deleted";
    EXPECT_EQ(workers.back()->LocalIP(), Address(999));
    EXPECT_LE(workers.back()->Port(), 1530 + 20 * static_cast<int>(workers.size())) << "ports are reused";
    service.ExitSearchService();
}

TEST_F(SearchService, AWorkerOutlivesItsAddressByTheGraceOnly)
{
    addresses = {"192.0.2.10", "192.0.2.11"};
    CSearchDeviceService::Options options = FakeOptions();
    options.addressGrace = 500ms;
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    addresses = {"192.0.2.10"};
    service.SendSearchRequest();
    addresses = {"192.0.2.10", "192.0.2.11"};   // back within the grace: the link flapped
    service.SendSearchRequest();
    addresses = {"192.0.2.10"};
    service.SendSearchRequest();
    EXPECT_EQ(Count("exit"), 0u);
    // No search follows: the service looks again by itself when the grace has run out.
    ASSERT_TRUE(testsupport::WaitFor([&] { return RecordingWorker::live.load() == 3; }));
    EXPECT_EQ(Count("create"), 4u);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "exit 192.0.2.11:1550+"), 1);
    addresses = {"192.0.2.10", "192.0.2.12"};
    calls.clear();
    service.SendSearchRequest();
    EXPECT_EQ(calls.front(), "create 192.0.2.12:1550+") << "the port of the ended worker is free again";
    service.ExitSearchService();
}

TEST_F(SearchService, CommandPortsStopAt65535)
{
    testsupport::ScopedLogFile log;
    addresses = {"192.0.2.10", "192.0.2.11", "192.0.2.12"};
    CSearchDeviceService::Options options = FakeOptions();
    options.firstCommandPort = 65500;
    CSearchDeviceService service(std::move(options));
    ASSERT_TRUE(testsupport::SetEnvironment("TRAVELKIN_LOG", log.path.c_str()));
    testing::internal::CaptureStdout();
    service.StartSearchService();
    testing::internal::GetCapturedStdout();
    testsupport::SetEnvironment("TRAVELKIN_LOG", nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"create :67", "create :1900", "create 192.0.2.10:65500+",
                                               "create 192.0.2.11:65520+"}));
    EXPECT_TRUE(log.Contains("Add Search Device Work Thread Error : IP = 192.0.2.12, port 65540 is above 65535"));
}

TEST_F(SearchService, RepeatsEachSearchOnItsOwnScheduleAndNothingOnceStopped)
{
    addresses = {"192.0.2.10"};
    CSearchDeviceService::Options options = FakeOptions();
    options.resendDelays = {300ms, 600ms};
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    service.SendSearchRequest();
    const Clock::time_point second = Clock::now();
    service.SendSearchRequest();   // a new search replaces the first one's repeats
    // The service's one thread sends the repeats in the order they are due, and the second
    // search's last one is due last: once the twelve sends are out and three of them came at
    // its time, any repeat left of the first search would have gone before them.
    ASSERT_TRUE(testsupport::WaitFor([&] { return Count("send") >= 12 && SentSince(second + 600ms) >= 3; }));
    EXPECT_EQ(Count("send"), 12u) << "three workers: two searches, then two repeats of the second";
    EXPECT_EQ(Count("reset"), 6u) << "repeats leave each worker's last report alone";
    service.StopSearching();
    EXPECT_EQ(Count("exit"), 3u) << "stopping tells every worker at once, before the exit waits";
    service.SendSearchRequest();
    service.ExitSearchService();
    service.SendSearchRequest();
    service.StartSearchService();
    EXPECT_EQ(Count("send"), 12u);
    EXPECT_EQ(Count("exit"), 3u) << "each worker is told once";
    EXPECT_EQ(Count("create"), 3u);
}

TEST_F(SearchService, AStartWithItsSearchSendsBeforeAnyReceiveThreadIsMade)
{
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartAndSearch();
    const auto firstRelease = std::find_if(calls.begin(), calls.end(),
                                           [](const std::string& call) { return call.starts_with("release "); });
    EXPECT_EQ(Count("hold"), 3u);
    EXPECT_EQ(std::count_if(calls.begin(), firstRelease, [](const std::string& call) { return call.starts_with("send "); }),
              3)
        << "every query is out before the first thread";
    EXPECT_EQ(Count("release"), 3u);
    calls.clear();
    service.StartAndSearch();   // started already: a search alone
    EXPECT_EQ(calls, (std::vector<std::string>{"reset :67", "send :67", "reset :1900", "send :1900",
                                               "reset 192.0.2.10:1531+", "send 192.0.2.10:1531+"}));
}

TEST_F(SearchService, ASearchRenewsTheWorkersOnceAfterTheNetworksChanged)
{
    addresses = {"192.0.2.10"};
    std::vector<LocalNetwork> networks{{"192.0.2.10", "192.0.2.255", 2}};
    int looks = 0;
    CSearchDeviceService::Options options = FakeOptions();
    options.localNetworks = [&networks, &looks] {
        ++looks;
        return networks;
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    service.SendSearchRequest();
    EXPECT_EQ(looks, 1) << "the first search uses the start's look at the interfaces";
    EXPECT_EQ(Count("renew"), 0u);
    networks[0].interfaceIndex = 3;   // the interface was made again
    service.SendSearchRequest();
    service.SendSearchRequest();
    EXPECT_EQ(Count("renew"), 3u);
}

TEST_F(Registry, ListenerHearsEveryChangeInOrderAndSilentDevicesAgeOut)
{
    std::string heard;
    service.SetRegistryListener([&](const RegistryChange& change) {
        const char* kinds[] = {"+", "~", "=", "-"};
        const char* reasons[] = {"", "(byebye)", "(expired)", "(missed)", "(displaced)"};
        heard += kinds[static_cast<int>(change.kind)] + std::string(change.device.id) + "/" + change.device.host
            + reasons[static_cast<int>(change.reason)] + " ";
    });
    Report(Device("a", "192.0.2.1"));
    DeviceRecord broadcastForm = Device("b", "192.0.2.2");
    broadcastForm.partialTexts = PartialBit(&DeviceRecord::detail) | PartialBit(&DeviceRecord::osVersion);
    Report(broadcastForm);
    Report(Device("a", "192.0.2.1"));                              // again, unchanged
    Report(Device("a", "192.0.2.1", 2, "ZANDOVERT", "renamed"));   // same address, new name
    DeviceRecord ssdpForm = Device("b", "192.0.2.2");
    SetDeviceText(ssdpForm.osVersion, "1.0");   // what a broadcast answer cannot say
    Report(ssdpForm);
    Report(Device("c", "192.0.2.3", 1, "OTHER"));   // filtered: nothing to hear
    Report(Device("b", "192.0.2.2", 4));            // byebye
    Report(Device("b", "192.0.2.2", 4));            // byebye of a device no longer listed
    EXPECT_EQ(heard, "+a/disk +b/disk =a/disk ~a/renamed =b/disk -b/disk(byebye) ");

    heard.clear();
    Report(Device("d", "192.0.2.4"));
    service.AgeDevices(2);   // search 1: a and d are seen after it
    Report(Device("a", "192.0.2.1", 1, "ZANDOVERT", "renamed"));
    service.AgeDevices(2);   // search 2: only d answers
    Report(Device("d", "192.0.2.4"));
    service.AgeDevices(2);   // search 3: a missed two searches in a row
    EXPECT_EQ(heard, "+d/disk =a/renamed =d/disk ");
    service.AgeDevices(2);
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
    service.ExpireDevices(before + std::chrono::seconds(5));
    EXPECT_EQ(heard, "+e/disk =e/disk ");
    service.ExpireDevices(after + std::chrono::milliseconds(5001));
    service.ExpireDevices(after + std::chrono::hours(24 * 365));
    EXPECT_EQ(heard, "+e/disk =e/disk -e/disk(expired) ");
    EXPECT_EQ(Listed(), "d@192.0.2.4/disk/1 ");
}

TEST_F(SearchService, DirectHostsAreSearchedByTheBroadcastAndSsdpWorkersOnly)
{
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    service.SetDirectHosts({boost::asio::ip::make_address_v4("198.18.2.10"), boost::asio::ip::make_address_v4("198.18.2.11")});
    calls.clear();
    service.SendSearchRequest();
    calls.erase(calls.begin(), calls.begin() + 6);   // the usual three searches
    EXPECT_EQ(calls, (std::vector<std::string>{"direct 198.18.2.10 from :67", "direct 198.18.2.11 from :67",
                                               "direct 198.18.2.10 from :1900", "direct 198.18.2.11 from :1900"}));
    service.ExitSearchService();
}

TEST(DirectHosts, AddressesNamesAndTyposAreToldApart)
{
    const std::pair<const char*, HostKind> cases[] = {
        {"198.18.2.10", HostKind::Address}, {"nas", HostKind::Name}, {"nas-1.example.", HostKind::Name},
        {"1.2.3", HostKind::Malformed},     {"256.1.1.1", HostKind::Malformed}, {"", HostKind::Malformed},
        {"nas:80", HostKind::Malformed},    {"a b", HostKind::Malformed},   {"-nas", HostKind::Malformed},
        {"a..b", HostKind::Malformed},      {"$(reboot)", HostKind::Malformed},
    };
    for (const auto& [text, kind] : cases)
        EXPECT_EQ(ClassifyHost(text), kind) << text;

    const std::pair<const char*, const char*> unicast[] = {
        {"198.18.2.10", nullptr},      {"224.0.0.1", "multicast"}, {"255.255.255.255", "broadcast"},
        {"0.0.0.0", "this network"},   {"0.1.2.3", "this network"}, {"127.0.0.1", "loopback"},
        {"240.0.0.1", "reserved"},     {"239.255.255.250", "multicast"},
        {"192.0.2.255", "the broadcast address of the local network of 192.0.2.10"},
        {"198.18.255.255", nullptr},   // the broadcast address of a network this machine is not on
    };
    const std::vector<LocalNetwork> networks{{"192.0.2.10", "192.0.2.255", 2}, {"198.19.0.1", "", 3}};
    for (const auto& [text, reason] : unicast) {
        std::string error;
        EXPECT_EQ(ResolveHost(text, error, networks).has_value(), reason == nullptr) << text;
        EXPECT_EQ(error, reason ? std::string("not a unicast address (") + text + " is " + reason + ")" : "");
    }

    std::istringstream file("# hosts to search\n198.18.2.10\n  198.18.2.11  # the second\n\nnas.example\n1.2.3\r\n"
                            "224.0.0.1\n192.0.2.255\n");
    const HostsFile hosts = ReadHostsFile(file, networks);
    ASSERT_EQ(hosts.addresses.size(), 2u);
    EXPECT_EQ(hosts.addresses[1].to_string(), "198.18.2.11");
    EXPECT_EQ(hosts.skipped,
              (std::vector<std::string>{"line 5: nas.example", "line 6: 1.2.3", "line 7: 224.0.0.1 (multicast)",
                                        "line 8: 192.0.2.255 (the broadcast address of the local network of 192.0.2.10)"}));

    // Direct sends count like every other send: these workers have no socket, so each fails.
    CSearchDeviceBroadcastThread broadcast;
    CSearchDeviceMulticastThread ssdp;
    for (CSearchDeviceThread* worker : {static_cast<CSearchDeviceThread*>(&broadcast), static_cast<CSearchDeviceThread*>(&ssdp)}) {
        worker->SendDirectSearch(wire::MakeSearchQuery(), boost::asio::ip::make_address_v4("127.0.0.1"));
        EXPECT_EQ(worker->Diagnosis().queriesFailed, 1u) << worker->KindName();
    }
}

TEST_F(SearchService, LogIsTurnedOnOnlyByTheEnvironmentAndClosedAtExit)
{
    testsupport::ScopedLogFile log;
    CSearchDeviceService service(FakeOptions());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(testsupport::SetEnvironment("TRAVELKIN_LOG", std::string(kLogPathSize, 'p').c_str()));
    service.StartSearchService();
    EXPECT_FALSE(LogEnabled()) << "start clears the settings; an over-long path leaves them off";
    ASSERT_TRUE(testsupport::SetEnvironment("TRAVELKIN_LOG", log.path.c_str()));
    service.StartSearchService();
    testsupport::SetEnvironment("TRAVELKIN_LOG", nullptr);
    service.SendSearchRequest();
    service.ExitSearchService();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(log.Contains("SendMessage : pdhcp is NULL *["));
    EXPECT_TRUE(log.Text().ends_with("\r\n------Exit Log System-------\r\n"));
}

TEST(WorkerCounters, EveryDatagramEndsAtOneDropReasonOrInTheList)
{
    using testsupport::Fixture;
    const auto packet = [](std::uint8_t type, const std::string& text) {
        const wire::SearchPacket p = wire::MakeBroadcastAnswer(type, text);
        return std::string(p.begin(), p.end());
    };
    const std::string answer = packet(1, "id=A&vendor=Zandovert");
    const wire::SearchPacket query = wire::MakeSearchQuery();
    const std::string ssdp = Fixture("ssdp_answer.txt");
    const auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case
    {
        bool broadcast;
        std::vector<std::string> datagrams;
        bool registryFull;
        // wrong length, not a device answer, other vendor, repeat, registry full, unreadable,
        // then listed and goodbyes
        std::string counts;
    };
    const std::vector<Case> cases = {
        {true, {answer.substr(0, 147), answer + '\0'}, false, "2 0 0 0 0 0 / 0 0"},
        {true, {{query.begin(), query.end()}}, false, "0 1 0 0 0 0 / 0 0"},
        {true, {packet(1, "id=A&vendor=Other")}, false, "0 0 1 0 0 0 / 0 0"},
        {true, {answer, answer, packet(4, "id=A&vendor=Zandovert")}, false, "0 0 0 1 0 0 / 1 1"},
        {true, {answer}, true, "0 0 0 0 1 0 / 0 0"},
        {false, {replace(ssdp, "VARN", "Linux"), std::string(wire::kMSearchRequest)}, false, "0 2 0 0 0 0 / 0 0"},
        {false, {replace(Fixture("ssdp_notify_alive.txt"), "ssdp:alive", "ssdp:update")}, false, "0 1 0 0 0 0 / 0 0"},
        {false, {replace(ssdp, "uuid:1234::", "uuid:1234"), replace(ssdp, "HTTP/1.1", "HTTP/1.0")},
         false, "0 0 0 0 0 1 / 1 0"},
        {false, {ssdp, ssdp, Fixture("ssdp_notify_byebye.txt")}, false, "0 0 0 1 0 0 / 1 1"},
        {false, {replace(ssdp, "ZANDOVERT", "OTHER")}, true, "0 0 1 0 0 0 / 0 0"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        CSearchDeviceService service{CSearchDeviceService::Options{}};
        for (std::size_t n = 0; cases[i].registryFull && n < CSearchDeviceService::kMaxDevices; ++n)
            service.OnDeviceFound(Device(std::to_string(n), "198.18.1." + std::to_string(n)), 1);
        std::unique_ptr<CSearchDeviceThread> worker;
        if (cases[i].broadcast)
            worker = std::make_unique<CSearchDeviceBroadcastThread>(&service);
        else
            worker = std::make_unique<CSearchDeviceMulticastThread>(&service);
        for (const std::string& datagram : cases[i].datagrams)
            testsupport::Deliver(*worker, datagram);
        const WorkerSnapshot c = worker->Diagnosis();
        std::string counts;
        for (std::uint64_t dropped : c.dropped)
            counts += std::to_string(dropped) + " ";
        EXPECT_EQ(counts + "/ " + std::to_string(c.listed) + " " + std::to_string(c.goodbyes), cases[i].counts)
            << "case " << i;
    }
}

TEST(WorkerCounters, SocketErrorsInPlainWords)
{
    namespace errc = boost::system::errc;
    const auto words = [](WorkerStep step, errc::errc_t error, std::int32_t port) {
        return PlainSocketError(step, errc::make_error_code(error), port);
    };
    EXPECT_EQ(words(WorkerStep::Bind, errc::address_in_use, 67), "port 67 is in use by another program");
    EXPECT_EQ(words(WorkerStep::Bind, errc::permission_denied, 67), "not permitted: see the README on port 67");
    EXPECT_EQ(words(WorkerStep::Send, errc::operation_not_permitted, 67),
              "not permitted (a firewall rule may block it)");
    EXPECT_EQ(words(WorkerStep::Send, errc::permission_denied, 1900),
              "not permitted to send to that address (it may be a broadcast address)");
    EXPECT_EQ(words(WorkerStep::Send, errc::network_unreachable, 1900), "no network to send to");
}

// A worker that can say it sent a query without a socket.
struct AskingWorker : CSearchDeviceMulticastThread
{
    using CSearchDeviceMulticastThread::CSearchDeviceMulticastThread;
    void Asked() { QuerySent({}); }
};

TEST(SearchWorker, AnAnswerCountsOnlyWithinTheWindowOfTheWorkersQuery)
{
    testsupport::CapturingSink sink;
    AskingWorker worker(&sink);
    const std::string answer = testsupport::Fixture("ssdp_answer.txt");
    const std::string alive = testsupport::Fixture("ssdp_notify_alive.txt");
    const auto solicited = [&](const std::string& text) {
        worker.ResetDeviceInfo();
        sink.reports.clear();
        testsupport::Deliver(worker, text);
        return sink.reports.at(0).solicited;
    };
    EXPECT_FALSE(solicited(answer)) << "no query sent yet";
    worker.Asked();
    EXPECT_TRUE(solicited(answer));
    EXPECT_FALSE(solicited(alive)) << "an announcement is never an answer";
    worker.SetAnswerWindow(1ms);
    std::this_thread::sleep_for(5ms);   // past the window, however busy the machine
    EXPECT_FALSE(solicited(answer)) << "the window has closed";

    using boost::asio::ip::make_address_v4;
    const std::pair<const char*, bool> destinations[] = {
        {"192.0.2.1", true},  {"0.0.0.0", true},   // a datagram whose destination the platform did not tell
        {"239.143.255.250", false}, {"255.255.255.255", false},
    };
    for (const auto& [address, ours] : destinations)
        EXPECT_EQ(CSearchDeviceThread::AddressedToThisMachine(make_address_v4(address)), ours) << address;
}

TEST(SearchServiceOnLoopback, AnswerToACommandWorkerReachesTheRegistry)
{
    // Only the command worker is real, bound to 127.0.0.1; no search is sent.
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{"127.0.0.1"}; };
    options.firstCommandPort = testsupport::FreeLoopbackPort(); // taken meanwhile: the worker moves on
    std::vector<std::string> calls;
    options.makeWorker = [&calls](Kind kind, CDeviceReportSink* sink) -> std::unique_ptr<CSearchDeviceThread> {
        if (kind == Kind::Command)
            return std::make_unique<CSearchDeviceMultiCommandThead>(sink);
        return std::make_unique<RecordingWorker>(calls);
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    std::thread reporter([&service] {   // another worker's reports meet the window's reads
        for (int i = 0; i < 100; ++i)
            service.OnDeviceFound(Device(std::to_string(i), "198.18.0." + std::to_string(i)), 1);
    });
    testsupport::SendToLoopback(static_cast<std::uint16_t>(service.Workers()[2]->Port()),
                                testsupport::Fixture("ssdp_answer.txt"));
    ASSERT_TRUE(testsupport::WaitFor([&] { return service.CopyDevices().size() == 101; }));
    reporter.join();
    service.ExitSearchService();
}

TEST(SearchServiceOnLoopback, ThreadsAndDescriptorsStayBoundedAcrossAddressChanges)
{
    // Real command workers, each on another loopback address; the scans send nothing.
    const auto count = [](const char* folder) {
        const std::filesystem::path path(folder);
        if (!std::filesystem::exists(path))
            return -1;
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(path), {}));
    };
#ifdef _WIN32
    GTEST_SKIP() << "the /proc that Wine shows counts Wine's own threads and descriptors";
#endif
    if (count("/proc/self/task") < 0)
        GTEST_SKIP() << "no /proc to count threads and descriptors in";
    std::vector<std::string> addresses{"127.0.0.1"};
    CSearchDeviceService::Options options;
    options.localAddresses = [&addresses] { return addresses; };
    options.firstCommandPort = testsupport::FreeLoopbackPort();
    options.watchNetwork = false;
    options.addressGrace = 1h;
    std::vector<std::string> calls;
    options.makeWorker = [&calls](Kind kind, CDeviceReportSink* sink) -> std::unique_ptr<CSearchDeviceThread> {
        if (kind == Kind::Command)
            return std::make_unique<CSearchDeviceMultiCommandThead>(sink);
        return std::make_unique<RecordingWorker>(calls);
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    const int threads = count("/proc/self/task");
    const int descriptors = count("/proc/self/fd");
    for (std::size_t i = 0; i < 1000; ++i) {
        addresses = {"127.0.0.1", "127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1)};
        service.ScanLocalAddresses();
    }
    const int bound = 1 + static_cast<int>(CSearchDeviceService::kMaxGoneWorkers);
    EXPECT_TRUE(testsupport::WaitFor([&] {
        service.ScanLocalAddresses();   // reaps the workers whose thread has ended
        return count("/proc/self/task") <= threads + bound;
    })) << count("/proc/self/task") << " threads, " << threads << " before";
    // A worker holds five: its socket, its waker, and its io_context's three.
    EXPECT_LE(count("/proc/self/fd"), descriptors + 5 * bound) << descriptors << " descriptors before";
    service.ExitSearchService();
}
