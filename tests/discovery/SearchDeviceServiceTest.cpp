#include <gtest/gtest.h>

#include <cstdlib>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchDeviceMultiCommandThead.h"
#include "discovery/SearchDeviceService.h"

using Kind = CSearchDeviceService::WorkerKind;

namespace {

DeviceRecord Device(const char* id, const char* ip, std::int32_t type = 1, const char* vendor = "ZANDOVERT",
                    const char* host = "disk")
{
    DeviceRecord device;
    SetDeviceText(device.id, id);
    SetDeviceText(device.ip, ip);
    SetDeviceText(device.vendor, vendor);
    SetDeviceText(device.host, host);
    device.type = type;
    return device;
}

std::vector<std::string> Ids(const std::vector<DeviceRecord>& devices)
{
    std::vector<std::string> ids;
    for (const auto& device : devices)
        ids.emplace_back(device.id);
    return ids;
}

// A worker that opens no socket and records what the service asks of it.
class RecordingWorker : public CSearchDeviceThread
{
public:
    RecordingWorker(Kind kind, std::vector<std::string>& calls)
        : kind(kind)
        , calls(calls)
    {
    }
    void CreateWorkThread() override { Record("create"); }
    void ExitSearchThread() override { Record("exit"); }
    void ResetDeviceInfo() override { Record("reset"); }
    int SendSearchCommand(const wire::SearchPacket& packet) override
    {
        query = packet;
        Record("send");
        return 0;
    }
    void Record(const std::string& what) { calls.push_back(what + " " + std::to_string(Port())); }

    const Kind kind;
    wire::SearchPacket query{};

private:
    std::vector<std::string>& calls;
};

class SearchService : public testing::Test
{
protected:
    CSearchDeviceService::Options FakeOptions()
    {
        CSearchDeviceService::Options options;
        options.localAddresses = [this] { return addresses; };
        options.makeWorker = [this](Kind kind, CDeviceReportSink*) {
            return std::make_unique<RecordingWorker>(kind, calls);
        };
        return options;
    }

    std::vector<std::string> addresses;
    std::vector<std::string> calls;
};

class Registry : public testing::Test
{
protected:
    void Report(const DeviceRecord& device) { service.OnDeviceFound(device, 1530); }

    CSearchDeviceService service{CSearchDeviceService::Options{}};
};

} // namespace

TEST_F(Registry, VendorFilterTakesWholeNameInAnyCase)
{
    Report(Device("a", "192.0.2.1", 1, "zandovert"));
    Report(Device("b", "192.0.2.2", 2, "Kelmar"));
    Report(Device("c", "192.0.2.3", 1, "durne"));
    Report(Device("d", "192.0.2.4", 1, "Zandovert Inc"));
    Report(Device("e", "192.0.2.5", 1, "ZANDOVER"));
    Report(Device("f", "192.0.2.6", 1, ""));
    EXPECT_EQ(Ids(service.CopyDevices()), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Registry, OneEntryPerAddressInOrderOfFirstReport)
{
    Report(Device("a", "192.0.2.1"));
    Report(Device("b", "192.0.2.2"));
    Report(Device("a2", "192.0.2.1", 1, "ZANDOVERT", "renamed"));
    const auto devices = service.CopyDevices();
    EXPECT_EQ(Ids(devices), (std::vector<std::string>{"a2", "b"})) << "replaced in place";
    EXPECT_STREQ(devices[0].host, "renamed");
}

TEST_F(Registry, EqualReportKeepsFirstTypeAndTakesRefreshValues)
{
    Report(Device("a", "192.0.2.1", 1));
    DeviceRecord alive = Device("a", "192.0.2.1", 2);
    alive.refreshCount = 3;
    Report(alive);
    const auto devices = service.CopyDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].type, 1);
    EXPECT_EQ(devices[0].refreshCount, 3);
}

TEST_F(Registry, ByebyeRemovesFirstEntryWithThatId)
{
    Report(Device("x", "192.0.2.1"));
    Report(Device("y", "192.0.2.2"));
    Report(Device("x", "192.0.2.3"));
    Report(Device("X", "192.0.2.9", 4, "other"));   // ids are case-sensitive; no vendor filter
    Report(Device("zz", "192.0.2.9", 4));
    EXPECT_EQ(service.CopyDevices().size(), 3u);
    Report(Device("x", "192.0.2.9", 4, "other"));
    const auto devices = service.CopyDevices();
    ASSERT_EQ(Ids(devices), (std::vector<std::string>{"y", "x"}));
    EXPECT_STREQ(devices[1].ip, "192.0.2.3");
}

TEST_F(Registry, UnknownKindsChangeNothing)
{
    Report(Device("a", "192.0.2.1", 0));
    Report(Device("b", "192.0.2.2", 3));
    Report(Device("c", "192.0.2.3", 200));
    EXPECT_TRUE(service.CopyDevices().empty());
}

TEST_F(Registry, NewDevicesBeyondTheCapAreDropped)
{
    for (std::size_t i = 0; i < CSearchDeviceService::kMaxDevices + 5; ++i) {
        const std::string ip = "198.18." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        Report(Device(std::to_string(i).c_str(), ip.c_str()));
    }
    EXPECT_EQ(service.CopyDevices().size(), CSearchDeviceService::kMaxDevices);
    Report(Device("renamed", "198.18.0.0"));
    Report(Device("1", "198.18.0.1", 4));
    const auto devices = service.CopyDevices();
    EXPECT_STREQ(devices[0].id, "renamed") << "an update still lands when full";
    EXPECT_EQ(devices.size(), CSearchDeviceService::kMaxDevices - 1) << "a removal still lands";
}

TEST_F(Registry, ClearEmptiesAndCopyIsDetached)
{
    Report(Device("a", "192.0.2.1"));
    auto copy = service.CopyDevices();
    service.ClearDevices();
    EXPECT_TRUE(service.CopyDevices().empty());
    EXPECT_EQ(copy.size(), 1u);
}

TEST_F(Registry, ReportsFromManyThreadsAllLand)
{
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([this, t] {
            for (int i = 0; i < 50; ++i) {
                const std::string ip = "198.18." + std::to_string(t) + "." + std::to_string(i);
                Report(Device(ip.c_str(), ip.c_str()));
                if (i % 10 == 0)
                    service.CopyDevices();
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(service.CopyDevices().size(), 200u);
}

TEST_F(SearchService, StartCreatesFixedWorkersThenOnePerAddress)
{
    addresses = {"192.0.2.10", "198.18.0.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    const auto workers = service.Workers();
    ASSERT_EQ(workers.size(), 4u);
    const std::vector<std::tuple<Kind, std::string, int, bool>> expected = {
        {Kind::Broadcast, "", 67, false},
        {Kind::Multicast, "", 1900, false},
        {Kind::Command, "192.0.2.10", 1530, true},
        {Kind::Command, "198.18.0.10", 1550, true},
    };
    for (std::size_t i = 0; i < workers.size(); ++i) {
        const auto* worker = static_cast<const RecordingWorker*>(workers[i]);
        EXPECT_EQ(std::make_tuple(worker->kind, worker->LocalIP(), worker->Port(), worker->TestPort()),
                  expected[i]) << "worker " << i;
    }
}

TEST_F(SearchService, AddressThatComesBackKeepsItsWorker)
{
    addresses = {"192.0.2.10", "192.0.2.11"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    addresses = {"192.0.2.10", "192.0.2.12"};
    service.SendSearchRequest();
    addresses = {"192.0.2.11", "192.0.2.10", "192.0.2.12", "192.0.2.12"};
    service.SendSearchRequest();
    std::vector<std::pair<std::string, int>> commandWorkers;
    for (const auto* worker : service.Workers()) {
        if (!worker->LocalIP().empty())
            commandWorkers.emplace_back(worker->LocalIP(), worker->Port());
    }
    EXPECT_EQ(commandWorkers, (std::vector<std::pair<std::string, int>>{
                                  {"192.0.2.10", 1530}, {"192.0.2.11", 1550}, {"192.0.2.12", 1570}}));
}

TEST_F(SearchService, SearchResetsThenSendsThroughEveryWorkerInOrder)
{
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    calls.clear();
    service.SendSearchRequest();
    EXPECT_EQ(calls, (std::vector<std::string>{"reset 67", "send 67", "reset 1900", "send 1900",
                                               "reset 1530", "send 1530"}));
    const auto* broadcast = static_cast<const RecordingWorker*>(service.Workers()[0]);
    EXPECT_EQ(broadcast->query, wire::MakeSearchQuery());
}

TEST_F(SearchService, ExitStopsEveryWorkerAndClosesTheLog)
{
    testsupport::ScopedLogFile log;
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    testing::internal::CaptureStdout();
    service.StartSearchService();   // clears the log settings
    SetLogPath(log.path);
    SetLogEnabled(true);
    calls.clear();
    service.ExitSearchService();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(calls, (std::vector<std::string>{"exit 67", "exit 1900", "exit 1530"}));
    EXPECT_EQ(log.Text(), "------Exit Log System-------\r\n");
}

TEST_F(SearchService, LogIsTurnedOnOnlyByTheEnvironment)
{
    testsupport::ScopedLogFile log;
    CSearchDeviceService service(FakeOptions());
    testing::internal::CaptureStdout();
    ASSERT_EQ(::setenv("TRAVELKIN_LOG", std::string(kLogPathSize, 'p').c_str(), 1), 0);
    service.StartSearchService();
    EXPECT_FALSE(LogEnabled()) << "an over-long path leaves the log off";
    ASSERT_EQ(::setenv("TRAVELKIN_LOG", log.path.c_str(), 1), 0);
    service.StartSearchService();
    ::unsetenv("TRAVELKIN_LOG");
    EXPECT_TRUE(LogEnabled());
    service.SendSearchRequest();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(log.Contains("SendMessage : pdhcp is NULL *["));
    EXPECT_TRUE(log.Contains("Get Current Local IP Info *["));
}

TEST(SearchServiceOnLoopback, AnswerToCommandWorkerReachesTheRegistry)
{
    // Only the command worker is real, bound to 127.0.0.1; no search is sent.
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{"127.0.0.1"}; };
    options.firstCommandPort = testsupport::FreeLoopbackPort();
    std::vector<std::string> calls;
    options.makeWorker = [&calls](Kind kind, CDeviceReportSink* sink) -> std::unique_ptr<CSearchDeviceThread> {
        if (kind == Kind::Command)
            return std::make_unique<CSearchDeviceMultiCommandThead>(sink);
        return std::make_unique<RecordingWorker>(kind, calls);
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    const auto port = static_cast<std::uint16_t>(service.Workers()[2]->Port());
    testsupport::SendToLoopback(port, testsupport::Fixture("ssdp_answer.txt"));
    ASSERT_TRUE(testsupport::WaitFor([&] { return service.CopyDevices().size() == 1; }));
    EXPECT_STREQ(service.CopyDevices()[0].host, "mydisk");
    service.ExitSearchService();
    EXPECT_TRUE(service.Workers()[2]->TestPort());
}
