#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "DiscoveryTestSupport.h"
#include "TestPlatform.h"
#include "discovery/SearchDeviceMultiCommandThead.h"
#include "discovery/SearchDeviceService.h"
#include "os/NetworkWatcher.h"
#include "os/SocketPlatform.h"

using namespace std::chrono_literals;
using testsupport::HeldPort;
using testsupport::SendToLoopback;
using testsupport::WaitFor;

namespace {

// A command worker on 127.0.0.1 that records what its receive loop hands over, sends
// nothing to the group, and lets the test act right after a restart's exit.
class LoopbackWorker : public CSearchDeviceMultiCommandThead
{
public:
    LoopbackWorker() { SetRestartPacing(1ms, 1ms); }

    void Start(std::uint16_t port, bool testPort = false) { InitSearchThread("127.0.0.1", port, testPort); }

    // Counted once the attempt is over, so a waiting test can send to the bound socket.
    void CreateWorkThread() override
    {
        CSearchDeviceMultiCommandThead::CreateWorkThread();
        ++creates;
    }
    void ExitSearchThread() override
    {
        CSearchDeviceMultiCommandThead::ExitSearchThread();
        if (afterExit)
            afterExit();
    }
    int SendSearchCommand(const wire::SearchPacket&) override { return 0; }
    void HandleRecvInfo(const char* data, std::size_t length, const char* sender) override
    {
        handling = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(handleDelayMs.load()));
        std::lock_guard lock(mutex);
        received.push_back(std::string(data, length + 1) + "@" + sender);
        receiver = std::this_thread::get_id();
    }
    std::thread::id Receiver()
    {
        std::lock_guard lock(mutex);
        return receiver;
    }
    // The thread that socket work given on this one runs on; none if it did not run in time.
    std::thread::id SocketWorkThread()
    {
        auto ran = std::make_shared<std::promise<std::thread::id>>();
        auto id = ran->get_future();
        WithSocket([ran](udp::socket&) { ran->set_value(std::this_thread::get_id()); });
        return id.wait_for(testsupport::kPatience) == std::future_status::ready ? id.get()
                                                                                : std::thread::id();
    }
    std::vector<std::string> Received()
    {
        std::lock_guard lock(mutex);
        return received;
    }

    // A real receive error: the port-unreachable answer to a datagram sent where nobody
    // receives it fails the blocked receive once the socket is told to report it.
    void ProvokeReceiveError()
    {
        WithSocket([this](udp::socket& socket) {
            testsupport::ReportUnreachablePorts(socket);
            socket.send_to(boost::asio::buffer("x", 1), deaf.Endpoint());
        });
    }

    std::atomic<int> creates{0};
    std::atomic<bool> handling{false};
    std::atomic<int> handleDelayMs{0}; // a report that takes its time
    std::function<void()> afterExit;   // set before the restart it is meant for

private:
    std::mutex mutex;
    std::vector<std::string> received;
    std::thread::id receiver;
    testsupport::DeafPort deaf; // held until the answer has surely come
};

// A worker that never opens a socket.
class IdleWorker : public CSearchDeviceThread
{
public:
    void CreateWorkThread() override {}
};

class WorkerLoop : public testing::Test
{
protected:
    ~WorkerLoop() override
    {
        worker.ExitSearchThread();
        EXPECT_TRUE(Stopped());
    }
    bool Stopped()
    {
        return worker.WaitUntilStopped(std::chrono::steady_clock::now() + testsupport::kPatience);
    }
    std::uint16_t Port() { return static_cast<std::uint16_t>(worker.Port()); }
    // Starts the worker on a port that was free a moment ago. Another program may have taken
    // it since: the worker's bind result tells, and the start is tried on another port.
    void StartOnAFreePort()
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            worker.Start(testsupport::FreeLoopbackPort());
            if (!worker.Diagnosis().boundAddress.empty())
                break;
        }
        ASSERT_EQ(worker.Diagnosis().Problem(WorkerStep::Bind), "");
        createsAtStart = worker.creates;
    }
    int Restarts() const { return worker.creates - createsAtStart; }
    bool Received(std::size_t n)
    {
        return WaitFor([&] { return worker.Received().size() >= n; });
    }
    std::string Line(const std::string& text)
    {
        return "SendThread " + std::to_string(Port()) + " : " + text;
    }

    testsupport::ScopedLogFile log;
    std::optional<HeldPort> taken; // outlives the worker, whose thread may fill it
    LoopbackWorker worker;
    int createsAtStart = 0;
};

// `count` loopback ports in a row, all held; below the range the system hands out on its
// own, so only a program that asks for these very ports competes for them.
std::vector<std::unique_ptr<HeldPort>> HeldRun(std::uint16_t count)
{
    std::vector<std::unique_ptr<HeldPort>> run;
    for (std::uint16_t base = 20000; run.size() < count && base < 30000; base += 97) {
        run.clear();
        try {
            for (std::uint16_t port = base; port < base + count; ++port)
                run.push_back(std::make_unique<HeldPort>(port));
        } catch (const boost::system::system_error&) {
        }
    }
    return run;
}

// The cases that need a real receive error.
class WorkerLoopReceiveError : public WorkerLoop
{
protected:
    void SetUp() override
    {
        if (!testsupport::UnreachablePortsCanBeReported())
            GTEST_SKIP() << "this system never fails a receive with a port-unreachable answer";
    }
};

} // namespace

TEST_F(WorkerLoop, HandsOverDatagramsWithAZeroAfterThemAndSkipsEmptyOnes)
{
    StartOnAFreePort();
    SendToLoopback(Port(), std::string(1024, 'a'));
    SendToLoopback(Port(), "");
    SendToLoopback(Port(), std::string(1500, 'b')); // cut to the area, no error
    ASSERT_TRUE(Received(2));
    EXPECT_EQ(worker.Received(), (std::vector<std::string>{std::string(1024, 'a') + '\0' + "@127.0.0.1",
                                                           std::string(1024, 'b') + '\0' + "@127.0.0.1"}));
    EXPECT_EQ(Restarts(), 0);
    const WorkerSnapshot counters = worker.Diagnosis();
    EXPECT_EQ(counters.received, 2u) << "an empty datagram is not counted";
    EXPECT_EQ(counters.boundAddress + ":" + std::to_string(counters.boundPort),
              "127.0.0.1:" + std::to_string(Port()));
}

// A program started while the search runs (net use, gio, the browser) never holds a worker's
// port, nor the network watch's socket.
TEST(SearchSockets, AreKeptFromStartedPrograms)
{
    boost::asio::io_context context;
    boost::asio::ip::udp::socket socket(context);
    socketplatform::OpenReceiveSocket(socket);
    socketplatform::PrepareReceiveSocket(socket, 1 << 16);
    EXPECT_FALSE(testsupport::StartedProgramsInherit(socket)) << "a worker's socket";
    const int before = testsupport::InheritableDescriptorCount();
    CNetworkWatcher watcher(context, [] {});
    boost::system::error_code error;
    if (watcher.Start(error)) { // where the system has change messages
        EXPECT_EQ(testsupport::InheritableDescriptorCount(), before) << "the network watch's socket";
    }
    watcher.Stop();
}

// A worker that parses for real, can say it sent a query, and notes a host asked directly;
// its reports are taken on its receive thread.
class AnsweredWorker : public CSearchDeviceMultiCommandThead, public CDeviceReportSink
{
public:
    AnsweredWorker() : CSearchDeviceMultiCommandThead(this) {}
    ~AnsweredWorker() override
    {
        ExitSearchThread();
        WaitUntilStopped(std::chrono::steady_clock::now() + testsupport::kPatience);
    }
    void Asked() { QuerySent({}); }
    using CSearchDeviceThread::QueriedDirectly;
    void OnDeviceFound(const DeviceRecord& device, std::int32_t) override
    {
        std::lock_guard lock(reportLock);
        reports.push_back(device);
    }
    // Whether the answer sent from this loopback address counted as one.
    std::optional<bool> SolicitedFrom(const char* sender, const std::string& answer)
    {
        ResetDeviceInfo();
        {
            std::lock_guard lock(reportLock);
            reports.clear();
        }
        boost::asio::io_context io;
        udp::socket socket(io, udp::v4());
        boost::system::error_code error;
        socket.bind({boost::asio::ip::make_address_v4(sender), 0}, error);
        if (error)
            return std::nullopt;
        socket.send_to(boost::asio::buffer(answer),
                       testsupport::Loopback(static_cast<std::uint16_t>(Port())));
        if (!WaitFor([this] { return !Reports().empty(); }))
            return std::nullopt;
        const DeviceRecord report = Reports().front();
        if (std::string_view(report.ip) != sender)
            return std::nullopt; // the system sent it from another address (Wine: 127.0.0.1)
        return report.solicited;
    }
    std::vector<DeviceRecord> Reports()
    {
        std::lock_guard lock(reportLock);
        return reports;
    }

private:
    std::mutex reportLock;
    std::vector<DeviceRecord> reports;
};

// The receive tells where each datagram went and the interface it came in on: an answer from
// the network it arrived on counts, one from off it only when its sender was asked directly.
// Loopback stands for the network here, as 127.0.0.1/32 of the loopback interface.
TEST(SearchWorkerReceive, TellsAnAnswerFromItsNetworkFromAForgedOne)
{
    boost::system::error_code error;
    unsigned loopback = 0;
    for (const InterfaceIPv4& entry : ListInterfaceIPv4(error))
        loopback = entry.address == 0x7F000001 ? entry.interfaceIndex : loopback;
    ASSERT_NE(loopback, 0u) << "no loopback interface listed";
    const std::string answer = testsupport::Fixture("ssdp_answer.txt");
    AnsweredWorker worker;
    worker.InitSearchThread("127.0.0.1", testsupport::FreeLoopbackPort(), true);
    ASSERT_EQ(worker.Diagnosis().Problem(WorkerStep::Bind), "");
    worker.RenewNetwork({{"127.0.0.1", "", loopback, 32}}, false);
    worker.Asked();
    EXPECT_EQ(worker.SolicitedFrom("127.0.0.1", answer), true) << "to its address, from its network";
    worker.RenewNetwork({{"127.0.0.1", "", loopback + 1, 8}}, false);
    EXPECT_EQ(worker.SolicitedFrom("127.0.0.1", answer), false) << "the address of another interface";
    worker.RenewNetwork({{"127.0.0.1", "", loopback, 32}}, false);
    const std::optional<bool> offNetwork = worker.SolicitedFrom("127.0.0.2", answer);
    if (!offNetwork)
        GTEST_SKIP() << "this system does not send from 127.0.0.2";
    EXPECT_EQ(offNetwork, false) << "from off its network";
    worker.QueriedDirectly(boost::asio::ip::make_address_v4("127.0.0.2"));
    EXPECT_EQ(worker.SolicitedFrom("127.0.0.2", answer), true) << "from a host asked directly";
}

TEST_F(WorkerLoop, BindFailureIsKeptInPlainWordsUntilABindSucceeds)
{
    const HeldPort held;
    worker.Start(held.Port());
    WorkerSnapshot counters = worker.Diagnosis();
    EXPECT_EQ(counters.Problem(WorkerStep::Bind),
              "port " + std::to_string(held.Port()) + " is in use by another program");
    EXPECT_EQ(counters.boundAddress, "");
    StartOnAFreePort();
    counters = worker.Diagnosis();
    EXPECT_EQ(counters.Problem(WorkerStep::Bind), "");
    EXPECT_EQ(counters.boundPort, worker.Port());
}

// Asio's socket objects are not safe to share: while the receive thread runs, a send or a
// renewal from another thread is carried out by the receive thread; without it, by the caller.
TEST_F(WorkerLoop, SocketWorkRunsOnTheThreadThatOwnsTheSocket)
{
    EXPECT_EQ(worker.SocketWorkThread(), std::this_thread::get_id()) << "no receive thread yet";
    StartOnAFreePort();
    SendToLoopback(Port(), "x");
    ASSERT_TRUE(Received(1));
    EXPECT_EQ(worker.SocketWorkThread(), worker.Receiver());
    worker.ExitSearchThread();
    ASSERT_TRUE(Stopped());
    EXPECT_EQ(worker.SocketWorkThread(), std::this_thread::get_id()) << "the receive thread has ended";
}

TEST_F(WorkerLoop, ExitWakesTheThreadWithoutRestart)
{
    StartOnAFreePort();
    ASSERT_TRUE(WaitFor([&] { return log.Contains("Wait Reciver Socket Protocol Info"); }));
    worker.ExitSearchThread();
    ASSERT_TRUE(Stopped());
    EXPECT_TRUE(log.Contains("--]*" + Line("Finish Search Device Work Thread  \r\n")));
    EXPECT_FALSE(log.Contains("Null Info"));
    EXPECT_EQ(Restarts(), 0);
    EXPECT_NO_THROW(HeldPort{Port()}) << "the receiver closed the socket";
}

TEST_F(WorkerLoopReceiveError, ReceiveErrorRestartsOnTheSamePort)
{
    StartOnAFreePort();
    const auto port = Port();
    worker.ProvokeReceiveError();
    ASSERT_TRUE(WaitFor([&] { return Restarts() == 1; }));
    SendToLoopback(port, "after restart");
    ASSERT_TRUE(Received(1));
    EXPECT_EQ(Port(), port);
    const std::string text = log.Text();
    const auto nullInfo =
        text.find(Line("Reciver Socket Protocol Null Info, bExitSock = 0, bRetartSock = 0  *["));
    const auto exitLine = text.find(Line("Exit Search Device Tread , bExitSock : 1  *["), nullInfo);
    ASSERT_NE(exitLine, std::string::npos) << text;
    EXPECT_NE(text.find(Line("Create Search Device Work Thread   *["), exitLine), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return log.Contains(Line("Finish Search Device Work Thread")); }));
}

TEST_F(WorkerLoopReceiveError, PortRetryCountsAcrossRestarts)
{
    // The first port held, the two after it free for the worker.
    auto ports = HeldRun(3);
    ASSERT_EQ(ports.size(), 3u);
    const std::uint16_t first = ports.front()->Port();
    ports.resize(1);
    worker.Start(first, true);
    ASSERT_EQ(Port(), first + 1);
    EXPECT_TRUE(log.Contains(Line("Test Create Search Device Work Thread, testCount = 1, port = ") +
                             std::to_string(Port()) + "  *["));
    // Take the worker's port the moment its restart lets it go.
    const std::uint16_t second = Port();
    auto armed = std::make_shared<std::atomic<bool>>(true);
    worker.afterExit = [this, armed, second] {
        if (armed->exchange(false))
            taken.emplace(second);
    };
    worker.ProvokeReceiveError();
    // Creates: the held first port, its retry, the restart's failed create, its retry.
    ASSERT_TRUE(WaitFor([&] { return worker.creates == 4; }));
    EXPECT_EQ(Port(), second + 1);
    EXPECT_EQ(worker.TestCount(), 2) << "the count goes on from where it was";
    SendToLoopback(Port(), "moved");
    EXPECT_TRUE(Received(1));
}

TEST_F(WorkerLoop, PortRetryStopsAtTheHighestPort)
{
    taken.emplace(CSearchDeviceThread::kHighestPort);
    worker.Start(CSearchDeviceThread::kHighestPort, true);
    EXPECT_EQ(worker.Port(), CSearchDeviceThread::kHighestPort) << "no port above it, no ephemeral port";
    EXPECT_EQ(worker.TestCount(), 0);
    EXPECT_TRUE(log.Contains(Line("No Further Port To Test Above 65535")));
}

TEST_F(WorkerLoop, PortRetryGivesUpAfterTwentyMoves)
{
    // Twenty-two busy ports in a row: the worker tries the first and twenty more, then stops.
    const auto busy = HeldRun(22);
    ASSERT_EQ(busy.size(), 22u);
    worker.Start(busy.front()->Port(), true);
    EXPECT_EQ(worker.TestCount(), 20);
    EXPECT_EQ(Port(), busy.front()->Port() + 20);
    EXPECT_EQ(worker.creates, 21);
}

TEST_F(WorkerLoopReceiveError, ExitEndsAPendingRestartAtOnce)
{
    worker.SetRestartPacing(60s, 60s);
    StartOnAFreePort();
    worker.ProvokeReceiveError();
    ASSERT_TRUE(WaitFor([&] { return log.Contains("Null Info"); }));
    worker.ExitSearchThread();
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(Restarts(), 0) << "no restart after the exit";
}

TEST(SearchServiceExit, JoinsAWorkerThatRestartedAfterItsReportInHand)
{
    if (!testsupport::UnreachablePortsCanBeReported())
        GTEST_SKIP() << "this system never fails a receive with a port-unreachable answer";
    using Kind = CSearchDeviceService::WorkerKind;
    LoopbackWorker* worker = nullptr;
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{"127.0.0.1"}; };
    options.firstCommandPort = testsupport::FreeLoopbackPort();
    options.watchNetwork = false;
    options.makeWorker = [&worker](Kind kind, CDeviceReportSink*) -> std::unique_ptr<CSearchDeviceThread> {
        if (kind != Kind::Command)
            return std::make_unique<IdleWorker>();
        auto made = std::make_unique<LoopbackWorker>();
        worker = made.get();
        return made;
    };
    CSearchDeviceService service(std::move(options));
    service.StartSearchService();
    ASSERT_NE(worker, nullptr);
    worker->ProvokeReceiveError();
    ASSERT_TRUE(WaitFor([&] { return worker->creates == 2; }));
    worker->handleDelayMs = 300;
    SendToLoopback(static_cast<std::uint16_t>(worker->Port()), "slow");
    ASSERT_TRUE(WaitFor([&] { return worker->handling.load(); }));
    const auto begin = std::chrono::steady_clock::now();
    service.ExitSearchService();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, CSearchDeviceService::kExitWait);
    EXPECT_EQ(worker->Received().size(), 1u) << "the exit returned while the thread still ran";
    EXPECT_TRUE(worker->WaitUntilStopped(std::chrono::steady_clock::now())) << "the thread was joined";
}
