#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchFindings.h"
#include "os/SocketPlatform.h"

#include <boost/asio/io_context.hpp>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kPlainSuffix = R"(\*\[\d\d::\d\d:\d\d:\d\d\]\r\n)";
const std::string kStampPrefix = R"(\[--\d\d:\d\d:\d\d(\.\d{6})?--\]\*)";

} // namespace

TEST(DiagnosticLog, WritesNothingAnywhereWhileOff)
{
    const std::string path = "/tmp/travelkin-discovery-off-" + std::to_string(::getpid()) + ".log";
    CaptureStdout();
    ClearLogSettings();
    SetLogPath(path);
    EXPECT_EQ(WriteLog("line %d", 1) + WriteLogClosing(), 0) << "path without enable";
    ClearLogSettings();
    SetLogEnabled(true);
    EXPECT_EQ(WriteLogStamped("line %d", 2) + WriteLogClosing(), 0) << "enable without path";
    ClearLogSettings();
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST(DiagnosticLog, LineFormsGoUnchangedToFileAndStdout)
{
    testsupport::ScopedLogFile log;
    CaptureStdout();
    EXPECT_EQ(WriteLog("SendThread %d : Send Broadcast Search Command  ", 67), 1);
    EXPECT_EQ(WriteLogStamped("SendThread %d : Finish Search Device Work Thread  ", 1900), 1);
    WriteLog("Host : %s  ", "disk%s%n%d%%"); // network text is never a format
    WriteLog("Group Error : %s  \r\n", "No device");
    const std::string echoed = GetCapturedStdout();
    EXPECT_EQ(WriteLogClosing(), 1);
    const std::string pattern = "SendThread 67 : Send Broadcast Search Command  " + kPlainSuffix +
                                kStampPrefix + "SendThread 1900 : Finish Search Device Work Thread  \\r\\n" +
                                "Host : disk%s%n%d%%  " + kPlainSuffix + "Group Error : No device  \\r\\n" +
                                kPlainSuffix;
    EXPECT_TRUE(std::regex_match(echoed, std::regex(pattern))) << echoed;
    EXPECT_EQ(log.Text(), echoed + "------Exit Log System-------\r\n") << "closing line: file only";
}

TEST(DiagnosticLog, EchoToStderrKeepsStdoutCleanAndAnUnwritableFileWarnsOnce)
{
    testsupport::ScopedLogFile log;
    SetLogEcho(stderr);
    CaptureStdout();
    testing::internal::CaptureStderr();
    WriteLog("SendThread %d : Send Broadcast Search Command  ", 67);
    SetLogPath("/nonexistent-travelkin-dir/search.log");
    EXPECT_EQ(WriteLog("first %d", 1) + WriteLog("second %d", 2), 2) << "the echo goes on";
    SetLogEcho(nullptr);
    const std::string echoed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(log.Text().find("SendThread 67"), 0u);
    const std::string warning =
        "travelkin: cannot write the log file /nonexistent-travelkin-dir/search.log: ";
    const auto first = echoed.find(warning);
    EXPECT_NE(first, std::string::npos) << echoed;
    EXPECT_EQ(echoed.find(warning, first + 1), std::string::npos) << "one warning per path";
    EXPECT_NE(echoed.find("second 2*["), std::string::npos) << echoed;
}

TEST(DiagnosticLog, DropsEmptyAndOverlongLinesWhole)
{
    testsupport::ScopedLogFile log;
    // The plain suffix "*[DD::HH:MM:SS]\r\n" is 17 characters: 1006 + 17 = 1023 fits.
    const std::string fits(1006, 'a');
    CaptureStdout();
    EXPECT_EQ(WriteLog("%s", fits.c_str()), 1);
    EXPECT_EQ(WriteLog("%s", std::string(1007, 'b').c_str()), 0);
    EXPECT_EQ(WriteLog("%s", std::string(1023, 'c').c_str()), 0) << "message fits, line does not";
    EXPECT_EQ(WriteLog("%s", std::string(5000, 'd').c_str()), 0);
    EXPECT_EQ(WriteLogStamped("%s", std::string(1020, 'e').c_str()), 0);
    EXPECT_EQ(WriteLog("%s", "") + WriteLog(nullptr), 0);
    GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(log.Text(), std::regex(fits + kPlainSuffix)));
}

TEST(DiagnosticLog, LinesOfManyThreadsStayWholeAndInOneOrder)
{
    testsupport::ScopedLogFile log;
    constexpr int kThreads = 8;
    constexpr int kLines = 1000;
    CaptureStdout();
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                (i % 2 ? WriteLog : WriteLogStamped)("writer %d line %d %s", t, i, "xxxxxxxxxxxxxxxx");
        });
    }
    // The path is set again meanwhile, as a start-up would: the writers read it under the lock.
    std::thread setter([&log] {
        for (int i = 0; i < 200; ++i)
            SetLogPath(log.path);
    });
    setter.join();
    for (auto& writer : writers)
        writer.join();
    const std::string echoed = GetCapturedStdout();
    const std::string text = log.Text();
    // Each line goes to the file and to the echo under one lock: both hold the same order.
    EXPECT_TRUE(text == echoed) << "the file and the echo differ";
    const std::string body = R"(writer \d line \d+ x{16})";
    const std::regex line("(" + body + R"(\*\[\d\d::\d\d:\d\d:\d\d\])|()" + kStampPrefix + body + ")");
    int count = 0;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2, ++count)
        EXPECT_TRUE(std::regex_match(text.substr(at, end - at), line)) << text.substr(at, end - at);
    EXPECT_EQ(count, kThreads * kLines);
}

// The causes of an empty search, from the workers' counters: one table row per situation a
// user meets, with what the window and --diagnose then tell.
TEST(SearchFindingsTest, EmptySearchesAreExplainedByWhatTheWorkersDid)
{
    using Cause = SearchFinding::Cause;
    const auto worker = [](std::int32_t port, std::uint64_t sent, std::uint64_t received = 0) {
        WorkerFacts facts;
        facts.port = port;
        facts.counters.boundAddress = "0.0.0.0";
        facts.counters.queriesSent = sent;
        facts.counters.received = received;
        facts.counters.dropped[static_cast<std::size_t>(DropReason::NotDeviceAnswer)] = received;
        return facts;
    };
    WorkerFacts portTaken;
    portTaken.port = 67;
    portTaken.counters.problems[static_cast<std::size_t>(WorkerStep::Bind)] =
        "port 67 is in use by another program";
    WorkerFacts notJoined = worker(1900, 1);
    notJoined.counters.problems[static_cast<std::size_t>(WorkerStep::Join)] = "no multicast route";
    WorkerFacts otherMakers = worker(1900, 1, 3);
    otherMakers.counters.dropped[static_cast<std::size_t>(DropReason::OtherVendor)] = 3;
    WorkerFacts ours = worker(1900, 1, 1);
    ours.counters.dropped[static_cast<std::size_t>(DropReason::Repeat)] = 1;

    struct Case
    {
        const char* what;
        std::vector<WorkerFacts> workers;
        std::vector<Cause> causes;
    };
    const Case cases[] = {
        {"no network: nothing else counts", {portTaken, worker(1900, 0)}, {Cause::NoQuerySent}},
        {"port taken, the SSDP search heard nothing",
         {portTaken, worker(1900, 2, 2)},
         {Cause::PortTaken, Cause::NothingHeard}},
        {"group not joined", {worker(67, 1), notJoined}, {Cause::GroupNotJoined, Cause::NothingHeard}},
        {"only other makers answered", {worker(67, 1), otherMakers}, {Cause::OtherMakers}},
        {"a device of ours answered before", {ours}, {Cause::NoneOurs}},
    };
    for (const Case& c : cases) {
        const std::vector<SearchFinding> findings = DiagnoseSearch(c.workers);
        std::vector<Cause> causes;
        for (const SearchFinding& f : findings)
            causes.push_back(f.cause);
        EXPECT_EQ(causes, c.causes) << c.what;
    }
    const std::vector<SearchFinding> taken = DiagnoseSearch({portTaken, worker(1900, 1)});
    EXPECT_EQ(taken.front().port, 67);
    EXPECT_EQ(taken.front().reason, "port 67 is in use by another program");
    EXPECT_EQ(DiagnoseSearch({worker(67, 1), otherMakers}).front().count, 3u);
}

// Who holds a taken port is named where the system tells: here this very test, on loopback.
TEST(SearchFindingsTest, TheHolderOfATakenPortIsNamed)
{
    boost::asio::io_context io;
    boost::asio::ip::udp::socket holder(io, {boost::asio::ip::address_v4::loopback(), 0});
    const int port = holder.local_endpoint().port();
    const std::string named = socketplatform::UdpPortHolder(port);
    EXPECT_NE(named.find(" (process "), std::string::npos) << named;
    holder.close();
    EXPECT_EQ(socketplatform::UdpPortHolder(port), "") << "a free port has no holder";
}

// Windows' firewall is opened per program, never per port; the README gives the same rules
// for the installer's folder.
TEST(SearchFindingsTest, WindowsFirewallRulesNameEachProgram)
{
    const std::string expected =
        "netsh advfirewall firewall add rule name=\"Travelkin\" dir=in action=allow protocol=UDP "
        "program=\"C:\\Zo\xc3\xab \xe6\x9d\x8e\\travelkin.exe\"\n"
        "netsh advfirewall firewall add rule name=\"Travelkin search\" dir=in action=allow protocol=UDP "
        "program=\"C:\\Zo\xc3\xab \xe6\x9d\x8e\\travelkin-search.exe\"\n";
    EXPECT_EQ(WindowsFirewallCommands("C:\\Zo\xc3\xab \xe6\x9d\x8e"), expected);
    EXPECT_EQ(WindowsFirewallCommands("C:\\Zo\xc3\xab \xe6\x9d\x8e\\"), expected);

    std::ifstream readme(TRAVELKIN_TEST_DATA_DIR "/../../README.md", std::ios::binary);
    ASSERT_TRUE(readme) << TRAVELKIN_TEST_DATA_DIR "/../../README.md";
    const std::string text{std::istreambuf_iterator<char>(readme), {}};
    EXPECT_NE(text.find(WindowsFirewallCommands("%LOCALAPPDATA%\\Programs\\Travelkin")), std::string::npos);
    EXPECT_EQ(text.find("localport="), std::string::npos) << "a rule open to every program";
}
