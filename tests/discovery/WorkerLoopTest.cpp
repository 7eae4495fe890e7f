#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchDeviceMultiCommandThead.h"

using namespace std::chrono_literals;
using testsupport::HeldPort;
using testsupport::ScopedLogFile;
using testsupport::SendToLoopback;
using testsupport::WaitFor;

namespace {

// A command worker bound to 127.0.0.1 that records what its receive loop hands over,
// sends nothing to the group, and lets the test act right after a restart's exit.
class LoopbackWorker : public CSearchDeviceMultiCommandThead
{
public:
    struct Datagram
    {
        std::string bytesAndZero;   // length bytes and the byte after them
        std::size_t length;
        std::string sender;
    };

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
        std::lock_guard lock(mutex);
        received.push_back({std::string(data, length + 1), length, sender});
    }

    std::vector<Datagram> Received()
    {
        std::lock_guard lock(mutex);
        return received;
    }

    // Makes the blocked receive fail for real: with IP_RECVERR the port-unreachable answer
    // to a datagram sent to a closed port comes back as a receive error.
    void ProvokeReceiveError()
    {
        const auto closed = testsupport::FreeLoopbackPort();
        WithSocket([closed](udp::socket& socket) {
            const int on = 1;
            ::setsockopt(socket.native_handle(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);
            socket.send_to(boost::asio::buffer("x", 1),
                           udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), closed));
        });
    }

    bool Stopped() { return WaitUntilStopped(std::chrono::steady_clock::now() + 2s); }

    std::atomic<int> creates{0};
    std::function<void()> afterExit;   // runs on the worker's thread during a restart

private:
    std::mutex mutex;
    std::vector<Datagram> received;
};

class WorkerLoop : public testing::Test
{
protected:
    ~WorkerLoop() override
    {
        worker.ExitSearchThread();
        EXPECT_TRUE(worker.Stopped());
    }

    std::uint16_t Port() { return static_cast<std::uint16_t>(worker.Port()); }
    bool ReceivedCount(std::size_t n)
    {
        return WaitFor([&] { return worker.Received().size() >= n; });
    }

    ScopedLogFile log;
    std::optional<HeldPort> taken;   // outlives the worker, whose thread may fill it
    LoopbackWorker worker;
};

} // namespace

TEST_F(WorkerLoop, HandsOverDatagramsWithAZeroAfterThem)
{
    worker.Start(testsupport::FreeLoopbackPort());
    SendToLoopback(Port(), std::string(1024, 'a'));
    SendToLoopback(Port(), std::string(1500, 'b'));
    ASSERT_TRUE(ReceivedCount(2));
    const auto received = worker.Received();
    EXPECT_EQ(received[0].length, 1024u);
    EXPECT_EQ(received[0].bytesAndZero, std::string(1024, 'a') + '\0');
    EXPECT_EQ(received[0].sender, "127.0.0.1");
    EXPECT_EQ(received[1].length, 1024u) << "a longer datagram is cut to the area";
    EXPECT_EQ(received[1].bytesAndZero, std::string(1024, 'b') + '\0');
    EXPECT_EQ(worker.creates, 1) << "truncation is no error";
}

TEST_F(WorkerLoop, EmptyDatagramIsIgnored)
{
    worker.Start(testsupport::FreeLoopbackPort());
    SendToLoopback(Port(), "");
    SendToLoopback(Port(), "x");
    ASSERT_TRUE(ReceivedCount(1));
    EXPECT_EQ(worker.Received()[0].bytesAndZero, std::string("x\0", 2));
    EXPECT_EQ(worker.creates, 1);
    EXPECT_FALSE(log.Contains("Null Info"));
}

TEST_F(WorkerLoop, ExitWakesTheThreadWithoutRestart)
{
    worker.Start(testsupport::FreeLoopbackPort());
    ASSERT_TRUE(WaitFor([&] { return log.Contains("Wait Reciver Socket Protocol Info"); }));
    worker.ExitSearchThread();
    ASSERT_TRUE(worker.Stopped());
    EXPECT_TRUE(log.Contains("--]*SendThread " + std::to_string(Port()) + " : Finish Search Device Work Thread  \r\n"));
    EXPECT_FALSE(log.Contains("Null Info"));
    EXPECT_EQ(worker.creates, 1);
    EXPECT_NO_THROW(HeldPort{Port()}) << "the receiver closed the socket";
}

TEST_F(WorkerLoop, ReceiveErrorRestartsOnTheSamePort)
{
    worker.Start(testsupport::FreeLoopbackPort());
    const auto port = Port();
    worker.ProvokeReceiveError();
    ASSERT_TRUE(WaitFor([&] { return worker.creates == 2; }));
    SendToLoopback(port, "after restart");
    ASSERT_TRUE(ReceivedCount(1));
    EXPECT_EQ(worker.Port(), port);
    const std::string text = log.Text();
    const std::string prefix = "SendThread " + std::to_string(port) + " : ";
    const auto nullInfo = text.find(prefix + "Reciver Socket Protocol Null Info, bExitSock = 0, bRetartSock = 0  *[");
    const auto exitLine = text.find(prefix + "Exit Search Device Tread , bExitSock : 1  *[");
    const auto create = text.find(prefix + "Create Search Device Work Thread   *[", exitLine);
    ASSERT_NE(nullInfo, std::string::npos) << text;
    EXPECT_LT(nullInfo, exitLine);
    EXPECT_NE(create, std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return log.CountOf(prefix + "Finish Search Device Work Thread") == 1; }))
        << "the old thread finished";
}

TEST_F(WorkerLoop, PortRetryCountsAcrossRestarts)
{
    const auto first = testsupport::FreeLoopbackPort();
    const HeldPort firstHeld(first);
    worker.Start(first, true);
    ASSERT_EQ(worker.Port(), first + 1);
    EXPECT_EQ(worker.TestCount(), 1);
    EXPECT_TRUE(log.Contains("SendThread " + std::to_string(first + 1) + " : Test Create Search Device Work Thread, testCount = 1, port = "
                             + std::to_string(first + 1) + "  *["));

    // Take the worker's port the moment its restart lets it go.
    auto armed = std::make_shared<std::atomic<bool>>(true);
    worker.afterExit = [this, armed, first] {
        if (armed->exchange(false))
            taken.emplace(static_cast<std::uint16_t>(first + 1));
    };
    worker.ProvokeReceiveError();
    // Creates: the taken first port, its retry, the restart's failed create, its retry.
    ASSERT_TRUE(WaitFor([&] { return worker.creates == 4; }));
    EXPECT_EQ(worker.Port(), first + 2);
    EXPECT_EQ(worker.TestCount(), 2) << "the count goes on from where it was";
    SendToLoopback(static_cast<std::uint16_t>(first + 2), "moved");
    EXPECT_TRUE(ReceivedCount(1));
}

TEST_F(WorkerLoop, NoPortRetryWithoutTheSetting)
{
    const auto port = testsupport::FreeLoopbackPort();
    HeldPort held(port);
    worker.Start(port, false);
    EXPECT_EQ(worker.Port(), port);
    EXPECT_EQ(worker.creates, 1);
    EXPECT_TRUE(log.Contains("Create Search Device Work Thread Error : bind: Address already in use   *["));
    EXPECT_TRUE(worker.Stopped()) << "no thread was started";
}

TEST_F(WorkerLoop, ExitEndsAPendingRestartAtOnce)
{
    worker.SetRestartPacing(60s, 60s);
    worker.Start(testsupport::FreeLoopbackPort());
    worker.ProvokeReceiveError();
    ASSERT_TRUE(WaitFor([&] { return log.Contains("Null Info"); }));
    worker.ExitSearchThread();
    EXPECT_TRUE(worker.Stopped());
    EXPECT_EQ(worker.creates, 1) << "no restart after the exit";
}
