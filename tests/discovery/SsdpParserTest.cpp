#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchDeviceMulticastThread.h"

using testsupport::Deliver;
using testsupport::Fixture;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

DeviceRecord Parse(const std::string& text, const char* sender = "192.0.2.7")
{
    return CSearchDeviceMulticastThread::ParseSsdpText(text, sender).value_or(DeviceRecord{});
}

bool Dropped(const std::string& text)
{
    return !CSearchDeviceMulticastThread::ParseSsdpText(text, "192.0.2.7").has_value();
}

const std::string kAnswer = Fixture("ssdp_answer.txt");
const std::string kAlive = Fixture("ssdp_notify_alive.txt");
const std::string kByebye = Fixture("ssdp_notify_byebye.txt");

} // namespace

TEST(SsdpParser, ReadsAnswer)
{
    const DeviceRecord device = Parse(kAnswer);
    EXPECT_STREQ(device.id, "1234");
    EXPECT_STREQ(device.ip, "192.168.1.20");
    EXPECT_STREQ(device.host, "mydisk");
    EXPECT_STREQ(device.product, "NAS");
    EXPECT_STREQ(device.detail, "1.2");
    EXPECT_STREQ(device.osVersion, "1.0");
    EXPECT_STREQ(device.vendor, "ZANDOVERT");
    EXPECT_EQ(device.type, 1);
    EXPECT_EQ(device.refreshValue, 60);
}

TEST(SsdpParser, TextsOfTheDeviceSimulatorRoundTrip)
{
    wire::SsdpDevice simulated{"abc-1", "198.18.0.5", "Kelmar", "box", "Cloud", "", "2.4"};
    const DeviceRecord device = Parse(wire::FormatSsdpNotify(simulated, "ssdp:alive"));
    EXPECT_STREQ(device.id, "abc-1");
    EXPECT_STREQ(device.ip, "198.18.0.5");
    EXPECT_STREQ(device.vendor, "Kelmar");
    EXPECT_STREQ(device.host, "box");
    EXPECT_STREQ(device.product, "Cloud");
    EXPECT_STREQ(device.detail, "");
    EXPECT_STREQ(device.osVersion, "2.4");
    EXPECT_EQ(device.type, 2);
}

TEST(SsdpParser, DeviceAddress)
{
    const std::string noLocation = Replace(kAnswer, "LOCATION: http://192.168.1.20:80/desc.xml\r\n", "");
    EXPECT_STREQ(Parse(noLocation, "192.0.2.30").ip, "192.0.2.30");
    EXPECT_STREQ(Parse(Replace(kAnswer, "192.168.1.20:80/", "192.168.1.21/")).ip, "192.168.1.21")
        << "no port: the host ends at the path";
    EXPECT_STREQ(Parse(Replace(kAnswer, "192.168.1.20:80/desc.xml", "192.168.1.22")).ip, "192.168.1.22")
        << "no port and no path: the host ends at the line end";
    EXPECT_STREQ(Parse(Replace(kAnswer, "192.168.1.20", "mydisk.local"), "192.0.2.31").ip, "192.0.2.31")
        << "a host name is not an address";
    EXPECT_STREQ(Parse(Replace(kAnswer, "192.168.1.20", "1.2.3.4.5"), "192.0.2.32").ip, "192.0.2.32");
    EXPECT_STREQ(Parse(Replace(kAnswer, "http://", "http:"), "192.0.2.33").ip, "192.0.2.33");
}

TEST(SsdpParser, ServerHeaderProductToken)
{
    const std::string server = "ZANDOVERT/mydisk/NAS/1.2";
    DeviceRecord device = Parse(Replace(kAnswer, server, "ZANDOVERT/mydisk"));
    EXPECT_STREQ(device.vendor, "ZANDOVERT");
    EXPECT_STREQ(device.host, "");
    EXPECT_STREQ(device.product, "") << "only one '/': vendor alone";

    device = Parse(Replace(kAnswer, server, "ZANDOVERT/mydisk/NAS"));
    EXPECT_STREQ(device.product, "NAS");
    EXPECT_STREQ(device.detail, "");

    device = Parse(Replace(kAnswer, server, "ZANDOVERT/mydisk/NAS/1.2/extra"));
    EXPECT_STREQ(device.detail, "1.2/extra");

    device = Parse(Replace(kAnswer, server, "ZANDOVERT"));
    EXPECT_STREQ(device.vendor, "") << "no '/' at all: no vendor";
    EXPECT_STREQ(device.osVersion, "1.0");

    const std::string item(20, 'i');
    device = Parse(Replace(kAnswer, server, item + "/" + item + "/" + item + "/detail"));
    EXPECT_EQ(std::string(device.product), item);
    EXPECT_STREQ(device.detail, "") << "the token is cut at 63, just before the detail";

    device = Parse(Replace(kAnswer, "VARN/1.0, UPnP/1.0, " + server, "VARN/1.0"));
    EXPECT_STREQ(device.vendor, "");
    EXPECT_STREQ(device.osVersion, "") << "no comma: the version has no end";
    EXPECT_STREQ(device.id, "1234") << "a broken SERVER header does not drop the answer";
}

TEST(SsdpParser, DropsTextsThatAreNotOurDevices)
{
    EXPECT_TRUE(Dropped(Replace(kAnswer, "VARN/1.0", "Linux/5.1"))) << "no VARN anywhere";
    EXPECT_TRUE(Dropped(Replace(kAnswer, "uuid:1234::", "uuid:1234"))) << "USN without ::";
    EXPECT_TRUE(Dropped(Replace(kAnswer, "USN:", "XSN:")));
    const std::string notRoot =
        Replace(Replace(kByebye, "upnp:rootdevice", "upnp:other"), "upnp:rootdevice", "upnp:other");
    EXPECT_TRUE(Dropped(notRoot)) << "announcement without rootdevice";
    EXPECT_TRUE(Dropped("M-SEARCH * HTTP/1.1\r\nHOST: VARN\r\nUSN: uuid:1::x\r\n")) << "a request";
    EXPECT_TRUE(Dropped(Replace(kAlive, "NTS:", "NTX:")));
}

TEST(SsdpParser, AnnouncementKinds)
{
    EXPECT_EQ(Parse(kAlive).type, 2);
    EXPECT_EQ(Parse(kByebye).type, 4);
    EXPECT_EQ(Parse(Replace(kAlive, "NTS: ssdp:alive", "NTS:\t  ssdp:byebye")).type, 4);
    const auto other = CSearchDeviceMulticastThread::ParseSsdpText(Replace(kAlive, "ssdp:alive", "ssdp:update"), "192.0.2.7");
    ASSERT_TRUE(other.has_value()) << "reported, with a kind nobody acts on";
    EXPECT_EQ(other->type, 0);
}

TEST(SsdpParser, RepeatsAreReportedEverySecondTime)
{
    testsupport::CapturingSink sink;
    CSearchDeviceMulticastThread worker(&sink);
    Deliver(worker, kAnswer);
    Deliver(worker, kAnswer);
    Deliver(worker, kAnswer);
    ASSERT_EQ(sink.Count(), 2u);
    Deliver(worker, kAlive);
    EXPECT_EQ(sink.Count(), 2u) << "an alive equal to the answer is a repeat";
}

TEST(SsdpParser, ByebyeAfterAliveIsReportedAndTheReturnCountsAsNew)
{
    testsupport::CapturingSink sink;
    CSearchDeviceMulticastThread worker(&sink);
    Deliver(worker, kAlive);
    Deliver(worker, kByebye);
    Deliver(worker, kByebye);
    Deliver(worker, kAlive);
    const auto reports = sink.Reports();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[1].device.type, 4);
    EXPECT_EQ(reports[2].device.type, 4);
    EXPECT_EQ(reports[3].device.type, 2);
}

TEST(SsdpParser, LogsOutcomeWithKind)
{
    testsupport::ScopedLogFile log;
    testsupport::CapturingSink sink;
    CSearchDeviceMulticastThread worker(&sink);
    testing::internal::CaptureStdout();
    Deliver(worker, kAnswer);
    Deliver(worker, kAnswer);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(log.Contains("SendThread 1530 : Handle Mulitcast Recive Information Success, type = 1 *["));
    EXPECT_TRUE(log.Contains("SendThread 1530 : Handle Mulitcast Recive Information Fail : Old Device, type = 1 *["));
}
