#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "DiscoveryTestSupport.h"
#include "discovery/DiagnosticLog.h"

using testsupport::ScopedLogFile;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kPlainSuffix = R"(\*\[\d\d::\d\d:\d\d:\d\d\]\r\n)";
const std::string kStampPrefix = R"(\[--\d\d:\d\d:\d\d(\.\d{6})?--\]\*)";

bool Matches(const std::string& text, const std::string& pattern)
{
    return std::regex_match(text, std::regex(pattern));
}

} // namespace

TEST(DiagnosticLog, WritesNothingAnywhereWhileOff)
{
    const std::string path = "/tmp/travelkin-discovery-off-" + std::to_string(::getpid()) + ".log";
    CaptureStdout();
    ClearLogSettings();
    SetLogPath(path);
    EXPECT_EQ(WriteLog("line %d", 1), 0) << "path without enable";
    EXPECT_EQ(WriteLogClosing(), 0);
    ClearLogSettings();
    SetLogEnabled(true);
    EXPECT_EQ(WriteLogStamped("line %d", 2), 0) << "enable without path";
    EXPECT_EQ(WriteLogClosing(), 0);
    ClearLogSettings();
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST(DiagnosticLog, BothLineFormsGoToFileAndStdout)
{
    ScopedLogFile log;
    CaptureStdout();
    EXPECT_EQ(WriteLog("SendThread %d : Send Broadcast Search Command  ", 67), 1);
    EXPECT_EQ(WriteLogStamped("SendThread %d : Finish Search Device Work Thread  ", 1900), 1);
    const std::string echoed = GetCapturedStdout();
    const std::string pattern = "SendThread 67 : Send Broadcast Search Command  " + kPlainSuffix
        + kStampPrefix + "SendThread 1900 : Finish Search Device Work Thread  \\r\\n";
    EXPECT_TRUE(Matches(log.Text(), pattern)) << log.Text();
    EXPECT_EQ(echoed, log.Text());
}

TEST(DiagnosticLog, DropsEmptyAndOverlongLinesWhole)
{
    ScopedLogFile log;
    // The plain suffix "*[DD::HH:MM:SS]\r\n" is 17 characters: 1006 + 17 = 1023 fits.
    const std::string fits(1006, 'a');
    const std::string tooLong(1007, 'b');
    CaptureStdout();
    EXPECT_EQ(WriteLog("%s", fits.c_str()), 1);
    EXPECT_EQ(WriteLog("%s", tooLong.c_str()), 0);
    EXPECT_EQ(WriteLog("%s", std::string(1023, 'c').c_str()), 0) << "message fits, line does not";
    EXPECT_EQ(WriteLog("%s", std::string(5000, 'd').c_str()), 0);
    EXPECT_EQ(WriteLogStamped("%s", std::string(1020, 'e').c_str()), 0);
    EXPECT_EQ(WriteLog("%s", ""), 0);
    EXPECT_EQ(WriteLog(nullptr), 0);
    GetCapturedStdout();
    EXPECT_TRUE(Matches(log.Text(), fits + kPlainSuffix)) << "only the line that fits, uncut";
}

TEST(DiagnosticLog, NetworkTextWithPercentIsWrittenUnchanged)
{
    ScopedLogFile log;
    const char* host = "disk%s%n%d%%";
    CaptureStdout();
    EXPECT_EQ(WriteLog("Host : %s  ", host), 1);
    const std::string echoed = GetCapturedStdout();
    EXPECT_TRUE(Matches(log.Text(), "Host : disk%s%n%d%%  " + kPlainSuffix)) << log.Text();
    EXPECT_EQ(echoed, log.Text());
}

TEST(DiagnosticLog, MessageEndingInLineBreakPutsTimeOnItsOwnLine)
{
    ScopedLogFile log;
    CaptureStdout();
    WriteLog("SendThread %d : Alter Device Mulitcast Group Error : %s  \r\n", 1900, "No device");
    GetCapturedStdout();
    EXPECT_TRUE(Matches(log.Text(),
                        "SendThread 1900 : Alter Device Mulitcast Group Error : No device  \\r\\n"
                            + kPlainSuffix));
}

TEST(DiagnosticLog, ClosingLineHasNoStampAndNoEcho)
{
    ScopedLogFile log;
    CaptureStdout();
    EXPECT_EQ(WriteLogClosing(), 1);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(log.Text(), "------Exit Log System-------\r\n");
}

TEST(DiagnosticLog, LinesOfManyThreadsStayWhole)
{
    ScopedLogFile log;
    constexpr int kThreads = 4;
    constexpr int kLines = 100;
    CaptureStdout();
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                (i % 2 ? WriteLog : WriteLogStamped)("writer %d line %d %s", t, i, "xxxxxxxxxxxxxxxx");
        });
    }
    for (auto& writer : writers)
        writer.join();
    GetCapturedStdout();
    // Every line, split at its line end, is one whole line of one of the two forms.
    const std::string text = log.Text();
    const std::string body = R"(writer \d line \d+ x{16})";
    const std::regex plain(body + R"(\*\[\d\d::\d\d:\d\d:\d\d\])");
    const std::regex stamped(kStampPrefix + body);
    std::size_t count = 0;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = text.substr(at, end - at);
        EXPECT_TRUE(std::regex_match(line, plain) || std::regex_match(line, stamped)) << line;
        ++count;
    }
    EXPECT_EQ(count, static_cast<std::size_t>(kThreads * kLines));
}

TEST(DiagnosticLog, RefusesOverlongPath)
{
    ClearLogSettings();
    EXPECT_FALSE(SetLogPath(std::string(kLogPathSize, 'p')));
    EXPECT_EQ(LogPath(), "");
    EXPECT_TRUE(SetLogPath(std::string(kLogPathSize - 1, 'p')));
    EXPECT_EQ(LogPath().size(), kLogPathSize - 1);
    ClearLogSettings();
}
