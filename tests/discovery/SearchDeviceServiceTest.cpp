#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>

#include "DiscoveryTestSupport.h"
#include "TestPlatform.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMultiCommandThead.h"
#include "discovery/SearchDeviceService.h"
#include "discovery/SearchFindings.h"
#include "support/TestSystem.h"

using Kind = CSearchDeviceService::WorkerKind;
using testsupport::Address;
using testsupport::Device;
using testsupport::udp;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// A worker that opens no socket and records what the service asks of it, and when it was
// asked to send. The service's own thread records its repeats, so the record is locked.
class RecordingWorker : public CSearchDeviceThread
{
public:
    explicit RecordingWorker(std::vector<std::string>& callLog, std::int32_t portInUse = 0,
                             std::vector<Clock::time_point>* sendLog = nullptr)
        : calls(callLog), busyPort(portInUse), sendTimes(sendLog)
    {
        ++live;
    }
    ~RecordingWorker() override { --live; }
    void CreateWorkThread() override
    {
        if (TestPort() && Port() == busyPort)
            ++nPort; // taken: a real worker retries on the next port
        Record("create");
    }
    void ExitSearchThread() override { Record("exit"); }
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
        return static_cast<std::size_t>(
            std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& call) { return call.starts_with(what + " "); }));
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
    std::int32_t busyPort = 1530; // the first command worker moves on to 1531
    bool outOfDescriptors = false;
};

} // namespace

TEST_F(SearchService, WorkersAreMadeOncePerAddressOnConsecutivePorts)
{
    addresses = {"192.0.2.10", "192.0.2.11"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    service.SendSearchRequest();              // searches with what the start found
    addresses = {"192.0.2.10", "192.0.2.12"}; // .11 went away, .12 came
    calls.clear();
    service.SendSearchRequest();
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "create 192.0.2.12:1570+", "reset :67", "send :67", "reset :1900", "send :1900",
                         "reset 192.0.2.10:1531+", "send 192.0.2.10:1531+", "reset 192.0.2.11:1550+",
                         "send 192.0.2.11:1550+", "reset 192.0.2.12:1570+", "send 192.0.2.12:1570+"}));
    addresses = {"192.0.2.11", "192.0.2.11", "192.0.2.10"}; // back again, and twice
    service.SendSearchRequest();
    EXPECT_EQ(service.CopyWorkers().size(), 5u);
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
    options.addressGrace = 1h; // only the cap ends workers here
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    service.SendSearchRequest();
    testsupport::SetEnvironment("TRAVELKIN_LOG", nullptr);
    outOfDescriptors = true;
    addresses = {"192.0.2.10", Address(0)};
    service.SendSearchRequest();
    EXPECT_EQ(service.CopyWorkers().size(), 3u) << "a worker that cannot be made is skipped";
    outOfDescriptors = false;
    for (std::size_t i = 0; i < 1000; ++i) {
        addresses = {"192.0.2.10", Address(i)};
        service.SendSearchRequest();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(log.Contains("Add Search Device Work Thread Error : IP = 198.18.0.1, port 1550 : socket: "));
    EXPECT_TRUE(
        log.Contains("Remove Search Device Work Thread : IP = 198.18.0.1, nPort = 1550, Address Gone"));
    const auto workers = service.CopyWorkers();
    ASSERT_EQ(workers.size(), 4 + CSearchDeviceService::kMaxGoneWorkers);
    EXPECT_EQ(RecordingWorker::live.load(), static_cast<int>(workers.size())) << "ended workers are deleted";
    EXPECT_EQ(workers.back().localIP, Address(999));
    EXPECT_LE(workers.back().port, 1530 + 20 * static_cast<int>(workers.size())) << "ports are reused";
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
    addresses = {"192.0.2.10", "192.0.2.11"}; // back within the grace: the link flapped
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
    EXPECT_TRUE(
        log.Contains("Add Search Device Work Thread Error : IP = 192.0.2.12, port 65540 is above 65535"));
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
    service.SendSearchRequest(); // a new search replaces the first one's repeats
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

TEST_F(SearchService, AStartWithItsSearchOnceStartedOnlySearches)
{
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartAndSearch();
    EXPECT_EQ(Count("create"), 3u);
    EXPECT_EQ(Count("send"), 3u);
    calls.clear();
    service.StartAndSearch();
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
    networks[0].interfaceIndex = 3; // the interface was made again
    service.SendSearchRequest();
    service.SendSearchRequest();
    EXPECT_EQ(Count("renew"), 3u);
}

TEST_F(SearchService, DirectHostsAreSearchedByTheBroadcastAndSsdpWorkersOnly)
{
    const auto hosts = [](std::vector<const char*> texts) {
        std::vector<boost::asio::ip::address_v4> list;
        for (const char* text : texts)
            list.push_back(boost::asio::ip::make_address_v4(text));
        return list;
    };
    addresses = {"192.0.2.10"};
    CSearchDeviceService service(FakeOptions());
    service.StartSearchService();
    calls.clear();
    service.SetDirectHosts(hosts({"198.18.2.10", "198.18.2.11"}));
    EXPECT_EQ(calls, std::vector<std::string>{}) << "no search yet: the first one takes them";
    service.SendSearchRequest();
    calls.erase(calls.begin(), calls.begin() + 6); // the usual three searches
    EXPECT_EQ(calls,
              (std::vector<std::string>{"direct 198.18.2.10 from :67", "direct 198.18.2.11 from :67",
                                        "direct 198.18.2.10 from :1900", "direct 198.18.2.11 from :1900"}));
    // Added during the search (its repeats may be over): the new address alone, at once.
    calls.clear();
    service.SetDirectHosts(hosts({"198.18.2.11", "198.18.2.12", "198.18.2.10", "198.18.2.12"}));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"direct 198.18.2.12 from :67", "direct 198.18.2.12 from :1900"}));
    calls.clear();
    service.SetDirectHosts(hosts({"198.18.2.12"}));
    service.StopSearching();
    service.SetDirectHosts(hosts({"198.18.2.12", "198.18.2.13"}));
    EXPECT_EQ(calls, (std::vector<std::string>{"exit :67", "exit :1900", "exit 192.0.2.10:1531+"}))
        << "a removal sends nothing, nor does anything once stopped";
    service.ExitSearchService();
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
        {false,
         {replace(ssdp, "VARN", "Linux"), std::string(wire::kMSearchRequest)},
         false,
         "0 2 0 0 0 0 / 0 0"},
        {false,
         {replace(Fixture("ssdp_notify_alive.txt"), "ssdp:alive", "ssdp:update")},
         false,
         "0 1 0 0 0 0 / 0 0"},
        {false,
         {replace(ssdp, "uuid:1234::", "uuid:1234"), replace(ssdp, "HTTP/1.1", "HTTP/1.0")},
         false,
         "0 0 0 0 0 1 / 1 0"},
        {false, {ssdp, ssdp, Fixture("ssdp_notify_byebye.txt")}, false, "0 0 0 1 0 0 / 1 1"},
        {false, {replace(ssdp, "ZANDOVERT", "OTHER")}, true, "0 0 1 0 0 0 / 0 0"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        CSearchDeviceService service{CSearchDeviceService::Options{}};
        for (std::size_t n = 0; cases[i].registryFull && n < CDeviceRegistry::kMaxDevices; ++n)
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
        EXPECT_EQ(counts + "/ " + std::to_string(c.listed) + " " + std::to_string(c.goodbyes),
                  cases[i].counts)
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
    EXPECT_EQ(words(WorkerStep::Bind, errc::permission_denied, 67),
              "not permitted: see the README on port 67");
    EXPECT_EQ(words(WorkerStep::Send, errc::operation_not_permitted, 67),
              "not permitted (a firewall rule may block it)");
    EXPECT_EQ(words(WorkerStep::Send, errc::permission_denied, 1900),
              "not permitted to send to that address (it may be a broadcast address)");
    EXPECT_EQ(words(WorkerStep::Send, errc::network_unreachable, 1900), "no network to send to");
}

// A worker that can say it sent a query without a socket, and that a step failed.
struct AskingWorker : CSearchDeviceMulticastThread
{
    using CSearchDeviceMulticastThread::CSearchDeviceMulticastThread;
    void Asked() { QuerySent({}); }
    void CreateWorkThread() override {}
    void RenewNetwork(const std::vector<LocalNetwork>&, bool) override {}
    int SendSearchCommand(const wire::SearchPacket&) override
    {
        Asked();
        return 0;
    }
    void Fail(WorkerStep step)
    {
        counters.Failed(step, boost::system::errc::make_error_code(failure), Port());
    }
    boost::system::errc::errc_t failure = boost::system::errc::network_unreachable;
};

// Why? after a search that listed a device, which then stopped: the next search's diagnosis
// tells of that search alone, while what the socket is (its bind, its group) still holds.
TEST(SearchWorker, TheDiagnosisTellsOfTheLastSearchOnly)
{
    std::vector<AskingWorker*> made;
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{}; };
    options.localNetworks = [] { return std::vector<LocalNetwork>{}; };
    options.resendDelays = {};
    options.watchNetwork = false;
    options.makeWorker = [&made](Kind, CDeviceReportSink* sink) {
        auto worker = std::make_unique<AskingWorker>(sink);
        made.push_back(worker.get());
        return worker;
    };
    CSearchDeviceService service(std::move(options));
    service.StartAndSearch();
    ASSERT_EQ(made.size(), 2u);
    AskingWorker& ssdp = *made[1];
    ssdp.Fail(WorkerStep::Join);
    ssdp.Fail(WorkerStep::Send);
    testsupport::Deliver(ssdp, testsupport::Fixture("ssdp_answer.txt"));
    ASSERT_EQ(service.CopyDevices().size(), 1u);
    const auto causes = [&service] {
        std::vector<SearchFinding::Cause> found;
        for (const SearchFinding& finding : DiagnoseSearch(service.CopyWorkers()))
            found.push_back(finding.cause);
        return found;
    };
    using Cause = SearchFinding::Cause;
    EXPECT_EQ(causes(), std::vector<Cause>{Cause::GroupNotJoined});
    service.ClearDevices(); // Refresh, with the device stopped
    service.SendSearchRequest();
    EXPECT_EQ(causes(), (std::vector<Cause>{Cause::GroupNotJoined, Cause::NothingHeard}));
    const WorkerFacts facts = service.CopyWorkers()[1];
    EXPECT_EQ(facts.kind, "ssdp");
    EXPECT_EQ(facts.counters.queriesSent, 1u);
    EXPECT_EQ(facts.counters.Problem(WorkerStep::Send), "") << "a send problem is the last search's";
    EXPECT_EQ(facts.counters.Problem(WorkerStep::Join), "no network to send to");
    service.ExitSearchService();
}

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
    std::this_thread::sleep_for(5ms); // past the window, however busy the machine
    EXPECT_FALSE(solicited(answer)) << "the window has closed";
}

// An answer goes to the address the query came from, and the group and broadcast queries do
// not leave their network: what is sent to a group or a broadcast address, to another
// interface's address, or comes from off the network, is forged, unless the sender was asked
// directly.
TEST(SearchWorker, AnAnswerIsSentToTheArrivalInterfacesAddressFromItsNetwork)
{
    // Interface 2 holds 192.0.2.1/24; interface 3 holds 198.18.0.1/24 and 198.18.5.1/30.
    const std::vector<LocalNetwork> networks{{"192.0.2.1", "192.0.2.255", 2, 24},
                                             {"198.18.0.1", "198.18.0.255", 3, 24},
                                             {"198.18.5.1", "", 3, 30}};
    const struct
    {
        const char* destination;
        unsigned interfaceIndex;
        const char* sender;
        bool queriedDirectly;
        bool answer;
    } cases[] = {
        {"192.0.2.1", 2, "192.0.2.10", false, true},
        {"192.0.2.1", 2, "192.0.2.254", false, true},
        {"192.0.2.1", 2, "192.0.3.10", false, false},       // just off the /24
        {"192.0.2.1", 2, "198.19.0.1", false, false},       // from no network of this machine
        {"192.0.2.1", 2, "198.18.0.7", false, false},       // another interface's network
        {"192.0.2.1", 2, "198.19.0.1", true, true},         // asked directly: from anywhere
        {"192.0.2.255", 2, "192.0.2.10", false, false},     // the subnet's broadcast address
        {"192.0.2.255", 2, "198.19.0.1", true, false},      // even from a host asked directly
        {"198.18.0.255", 3, "198.18.0.7", false, false},    // another subnet's broadcast address
        {"255.255.255.255", 2, "192.0.2.10", false, false}, // the limited broadcast
        {"239.143.255.250", 2, "192.0.2.10", false, false}, // the group
        {"198.18.0.1", 2, "198.18.0.7", false, false},      // another interface's address
        {"198.18.0.1", 3, "198.18.5.2", false, true},       // another network of its interface
        {"0.0.0.0", 0, "192.0.2.10", false, false},         // the platform did not tell
        {"192.0.2.1", 0, "192.0.2.10", false, true},        // no interface told: the address's network
        {"192.0.2.1", 0, "198.18.0.7", false, false},
        {"192.0.2.1", 7, "192.0.2.10", false, false}, // an interface without these networks
    };
    using boost::asio::ip::make_address_v4;
    for (const auto& c : cases) {
        const socketplatform::DatagramArrival arrival{make_address_v4(c.destination), c.interfaceIndex};
        EXPECT_EQ(
            CSearchDeviceThread::MayBeAnswer(arrival, make_address_v4(c.sender), networks, c.queriedDirectly),
            c.answer)
            << c.sender << " to " << c.destination << " on interface " << c.interfaceIndex
            << (c.queriedDirectly ? ", asked directly" : "");
    }
    EXPECT_FALSE(CSearchDeviceThread::MayBeAnswer({make_address_v4("192.0.2.1"), 2},
                                                  make_address_v4("192.0.2.10"), {}, true))
        << "no networks known";
}

// Real command workers, bound to loopback addresses; recording ones in place of the others.
class SearchServiceOnLoopback : public testing::Test
{
protected:
    CSearchDeviceService::Options LoopbackOptions()
    {
        CSearchDeviceService::Options options;
        options.localAddresses = [this] {
            // The service's own thread looks again when a grace runs out or a worker is ending.
            std::lock_guard lock(addressLock);
            return addresses;
        };
        options.firstCommandPort = testsupport::FreeLoopbackPort(); // taken meanwhile: the worker moves on
        options.makeWorker = [this](Kind kind,
                                    CDeviceReportSink* sink) -> std::unique_ptr<CSearchDeviceThread> {
            if (kind == Kind::Command)
                return std::make_unique<CSearchDeviceMultiCommandThead>(sink);
            return std::make_unique<RecordingWorker>(calls);
        };
        return options;
    }
    void SetAddresses(std::vector<std::string> now)
    {
        std::lock_guard lock(addressLock);
        addresses = std::move(now);
    }

    std::mutex addressLock;
    std::vector<std::string> addresses{"127.0.0.1"};
    std::vector<std::string> calls;
};

TEST_F(SearchServiceOnLoopback, AnswerToACommandWorkerReachesTheRegistry)
{
    // Only the command worker is real, bound to 127.0.0.1; no search is sent.
    CSearchDeviceService service(LoopbackOptions());
    service.StartSearchService();
    std::thread reporter([&service] { // another worker's reports meet the window's reads
        for (int i = 0; i < 100; ++i)
            service.OnDeviceFound(Device(std::to_string(i), "198.18.0." + std::to_string(i)), 1);
    });
    testsupport::SendToLoopback(static_cast<std::uint16_t>(service.CopyWorkers()[2].port),
                                testsupport::Fixture("ssdp_answer.txt"));
    ASSERT_TRUE(testsupport::WaitFor([&] { return service.CopyDevices().size() == 101; }));
    reporter.join();
    service.ExitSearchService();
}

// Why? copies the workers while the service retires and deletes the workers of addresses
// that went (here at once, with no grace): a copy outlives any worker it was taken from.
TEST_F(SearchServiceOnLoopback, WhyReadsACopyOfTheWorkersThatRetirementsCannotTakeAway)
{
    CSearchDeviceService::Options options = LoopbackOptions();
    options.watchNetwork = false;
    options.addressGrace = 0ms;
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    std::atomic<bool> churning{true};
    std::set<std::string> seen;
    std::thread why([&] {
        while (churning.load()) {
            const std::vector<WorkerFacts> workers = service.CopyWorkers();
            DiagnoseSearch(workers);
            for (const WorkerFacts& worker : workers)
                seen.insert(worker.localIP);
        }
    });
    for (int i = 0; i < 200; ++i) {
        SetAddresses({"127.0.0.1", "127.2.0." + std::to_string(i + 1)});
        service.ScanLocalAddresses();
    }
    churning = false;
    why.join();
    EXPECT_GT(seen.size(), 3u) << "the copies met few of the workers that came and went";
    service.ExitSearchService();
}

TEST_F(SearchServiceOnLoopback, ThreadsAndDescriptorsStayBoundedAcrossAddressChanges)
{
    // Real command workers, each on another loopback address; the scans send nothing.
    const auto count = [](const char* folder) {
        const std::filesystem::path path(folder);
        if (!std::filesystem::exists(path))
            return -1;
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(path), {}));
    };
    if (testsystem::IsWindows())
        GTEST_SKIP() << "the /proc that Wine shows counts Wine's own threads and descriptors";
    if (count("/proc/self/task") < 0)
        GTEST_SKIP() << "no /proc to count threads and descriptors in";
    CSearchDeviceService::Options options = LoopbackOptions();
    options.watchNetwork = false;
    options.addressGrace = 1h;
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    const int threads = count("/proc/self/task");
    const int descriptors = count("/proc/self/fd");
    for (std::size_t i = 0; i < 1000; ++i) {
        SetAddresses({"127.0.0.1", "127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1)});
        service.ScanLocalAddresses();
    }
    const int bound = 1 + static_cast<int>(CSearchDeviceService::kMaxGoneWorkers);
    EXPECT_TRUE(testsupport::WaitFor([&] {
        service.ScanLocalAddresses(); // reaps the workers whose thread has ended
        return count("/proc/self/task") <= threads + bound;
    })) << count("/proc/self/task")
        << " threads, " << threads << " before";
    // A worker holds five: its socket, its waker, and its io_context's three.
    EXPECT_LE(count("/proc/self/fd"), descriptors + 5 * bound) << descriptors << " descriptors before";
    service.ExitSearchService();
}

// The broadcast worker's socket and query on loopback: bound to 127.0.0.1, its query sent to
// one loopback port.
class LoopbackBroadcastWorker : public CSearchDeviceBroadcastThread
{
public:
    LoopbackBroadcastWorker(CDeviceReportSink* reportSink, std::uint16_t queryPort)
        : CSearchDeviceBroadcastThread(reportSink), target(testsupport::Loopback(queryPort))
    {
    }
    int SendSearchCommand(const wire::SearchPacket& packet) override
    {
        SendToTargets(std::string(packet.begin(), packet.end()), {target}, "Send Broadcast Search Error");
        return 0;
    }

protected:
    boost::asio::ip::address_v4 BindAddress() const override
    {
        return boost::asio::ip::address_v4::loopback();
    }

private:
    udp::endpoint target;
};

// Another program (or an instance of ours still ending) holds the broadcast port when the
// service starts; once it lets go, the next search binds the port and sends through it, and
// until then the findings say whether the port is held at the moment they are made.
TEST_F(SearchServiceOnLoopback, ABroadcastPortTakenAtTheStartIsBoundByALaterSearch)
{
    boost::asio::io_context io;
    udp::socket devices(io, testsupport::Loopback(0)); // where the broadcast queries go
    devices.non_blocking(true);
    const udp::socket others(io, testsupport::Loopback(0)); // the stand-in SSDP worker's
    std::optional<testsupport::HeldPort> holder(std::in_place);
    const std::int32_t port = holder->Port();
    CSearchDeviceService::Options options = LoopbackOptions();
    options.broadcastPort = port;
    options.multicastPort = 0; // any free one
    options.resendDelays = {};
    options.watchNetwork = false;
    const std::uint16_t queryPort = devices.local_endpoint().port();
    options.makeWorker = [&](Kind kind, CDeviceReportSink* sink) -> std::unique_ptr<CSearchDeviceThread> {
        // The SSDP worker's sends tell that the search went out.
        if (kind != Kind::Command)
            return std::make_unique<LoopbackBroadcastWorker>(
                sink, kind == Kind::Broadcast ? queryPort : others.local_endpoint().port());
        return std::make_unique<RecordingWorker>(calls);
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    service.SendSearchRequest();
    const auto broadcast = [&service] { return service.CopyWorkers().at(0).counters; };
    ASSERT_EQ(broadcast().boundAddress, "");
    // Its receive thread sends the SSDP query; the search has gone out once it did.
    ASSERT_TRUE(testsupport::WaitFor([&] { return service.CopyWorkers().at(1).counters.queriesSent > 0; }));
    const auto portFinding = [&]() -> std::optional<SearchFinding> {
        for (const SearchFinding& finding : WithPortHolders(DiagnoseSearch(service.CopyWorkers())))
            if (finding.cause == SearchFinding::Cause::PortTaken)
                return finding;
        return std::nullopt;
    };
    ASSERT_TRUE(portFinding());
    EXPECT_FALSE(portFinding()->freeNow) << "the holder still has the port";

    holder.reset();
    ASSERT_TRUE(portFinding());
    EXPECT_TRUE(portFinding()->freeNow) << "looked at when the findings are made, not at the failed bind";

    service.SendSearchRequest();
    EXPECT_EQ(broadcast().boundPort, port);
    EXPECT_FALSE(portFinding());
    std::array<char, wire::kSearchPacketSize + 1> query{};
    udp::endpoint sender;
    boost::system::error_code error;
    std::size_t got = 0;
    ASSERT_TRUE(testsupport::WaitFor([&] {
        got = devices.receive_from(boost::asio::buffer(query), sender, 0, error);
        return !error;
    })) << "no query came from the worker: "
        << error.message();
    EXPECT_EQ(got, wire::kSearchPacketSize);
    EXPECT_EQ(sender.port(), port) << "sent from the broadcast port";
    service.ExitSearchService();
}
