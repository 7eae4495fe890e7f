#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchDeviceBroadcastThread.h"

using testsupport::Deliver;

namespace {

std::string Answer(std::uint8_t type, std::string_view text)
{
    const wire::SearchPacket packet = wire::MakeBroadcastAnswer(type, text);
    return {packet.begin(), packet.end()};
}

class BroadcastParser : public testing::Test
{
protected:
    BroadcastParser() { worker.InitSearchThreadForParsing(); }

    struct Worker : CSearchDeviceBroadcastThread
    {
        using CSearchDeviceBroadcastThread::CSearchDeviceBroadcastThread;
        // A parser needs no socket: only the port its reports carry.
        void InitSearchThreadForParsing() { nPort = wire::kBroadcastLocalPort; }
    };

    testsupport::CapturingSink sink;
    Worker worker{&sink};
};

} // namespace

TEST_F(BroadcastParser, FillsRecordFromItemsSenderAndTypeByte)
{
    Deliver(worker, testsupport::Fixture("broadcast_answer.bin"), "192.0.2.44");
    ASSERT_EQ(sink.Count(), 1u);
    const auto report = sink.Reports()[0];
    EXPECT_EQ(report.port, 67);
    EXPECT_STREQ(report.device.id, "A1");
    EXPECT_STREQ(report.device.host, "disk");
    EXPECT_STREQ(report.device.vendor, "Zandovert");
    EXPECT_STREQ(report.device.product, "NAS");
    EXPECT_STREQ(report.device.ip, "192.0.2.44");
    EXPECT_STREQ(report.device.detail, "");
    EXPECT_STREQ(report.device.osVersion, "");
    EXPECT_EQ(report.device.type, 1);
    EXPECT_EQ(report.device.refreshValue, 60);
    EXPECT_EQ(report.device.refreshCount, 0);
}

TEST_F(BroadcastParser, ItemRules)
{
    Deliver(worker, Answer(2, "xid=5&host=" + std::string(40, 'h') + "&product=NAS"));
    ASSERT_EQ(sink.Count(), 1u);
    const DeviceRecord device = sink.Reports()[0].device;
    EXPECT_STREQ(device.id, "5") << "the key text matches inside another key";
    EXPECT_EQ(std::string(device.host), std::string(31, 'h')) << "values are cut at 31";
    EXPECT_STREQ(device.vendor, "") << "absent key";
    EXPECT_EQ(device.type, 2);
}

TEST_F(BroadcastParser, TypeByteIsUnsigned)
{
    Deliver(worker, Answer(200, "id=A1"));
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Reports()[0].device.type, 200);
}

TEST_F(BroadcastParser, TextWithoutZeroEndsAtPacketEnd)
{
    const std::string value(128 - 8, 'p');
    std::string area = Answer(1, "product=" + value);
    ASSERT_EQ(area.size(), 148u);
    area += "&id=outside";   // bytes past the packet are never read as text
    worker.HandleRecvInfo(area.c_str(), 148, "192.0.2.7");
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(std::string(sink.Reports()[0].device.product), std::string(31, 'p'));
    EXPECT_STREQ(sink.Reports()[0].device.id, "");
}

TEST_F(BroadcastParser, OtherLengthsAreDroppedSilently)
{
    testsupport::ScopedLogFile log;
    const std::string packet = Answer(1, "id=A1&vendor=Zandovert");
    Deliver(worker, packet.substr(0, 147));
    Deliver(worker, packet + '\0');
    EXPECT_EQ(sink.Count(), 0u);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(BroadcastParser, QueryOfAnotherHostIsNotADevice)
{
    testsupport::ScopedLogFile log;
    const wire::SearchPacket query = wire::MakeSearchQuery();
    testing::internal::CaptureStdout();
    Deliver(worker, {query.begin(), query.end()}, "192.0.2.9");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sink.Count(), 0u);
    EXPECT_TRUE(log.Contains("SendThread 67 : Recive IP : 192.0.2.9 is not Device *["));
}

TEST_F(BroadcastParser, RepeatedAnswerIsReportedOncePerSearch)
{
    const std::string a = Answer(1, "id=A&vendor=Zandovert");
    const std::string b = Answer(1, "id=B&vendor=Zandovert");
    Deliver(worker, a);
    Deliver(worker, a);
    Deliver(worker, a);
    EXPECT_EQ(sink.Count(), 1u) << "a repeat does not clear the last report";
    worker.ResetDeviceInfo();   // the next search
    Deliver(worker, a);
    EXPECT_EQ(sink.Count(), 2u);
    Deliver(worker, b);
    Deliver(worker, a);
    EXPECT_EQ(sink.Count(), 4u) << "another device in between makes A new again";
}

TEST_F(BroadcastParser, ByebyeIsNeverTakenForARepeat)
{
    Deliver(worker, Answer(1, "id=A&vendor=Zandovert"));
    Deliver(worker, Answer(4, "id=A&vendor=Zandovert"));
    Deliver(worker, Answer(1, "id=A&vendor=Zandovert"));
    ASSERT_EQ(sink.Count(), 3u);
    EXPECT_EQ(sink.Reports()[1].device.type, 4);
    EXPECT_EQ(sink.Reports()[2].device.type, 1) << "the device that came back is new again";
}
