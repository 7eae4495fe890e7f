#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "discovery/SearchDeviceMulticastThread.h"

using testsupport::Deliver;
using testsupport::Fixture;

namespace {

const std::string kAnswer = Fixture("ssdp_answer.txt");
const std::string kAlive = Fixture("ssdp_notify_alive.txt");
const std::string kByebye = Fixture("ssdp_notify_byebye.txt");

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::optional<DeviceRecord> Parse(const std::string& text)
{
    return CSearchDeviceMulticastThread::ParseSsdpText(text, "192.168.1.20"); // LOCATION's host
}

// The seven texts and the type, joined for compact comparison.
std::string Fields(const std::string& text)
{
    const auto d = Parse(text);
    return d ? std::string(d->id) + "|" + d->ip + "|" + d->host + "|" + d->product + "|" + d->detail + "|" +
                   d->osVersion + "|" + d->vendor + "|" + std::to_string(d->type)
             : "dropped";
}

} // namespace

TEST(SsdpParser, ReadsAnswersAndAnnouncements)
{
    EXPECT_EQ(Fields(kAnswer), "1234|192.168.1.20|mydisk|NAS|1.2|1.0|ZANDOVERT|1");
    EXPECT_EQ(Fields(kAlive), "1234|192.168.1.20|mydisk|NAS|1.2|1.0|ZANDOVERT|2");
    EXPECT_EQ(Fields(kByebye), "1234|192.168.1.20|mydisk|NAS|1.2|1.0|ZANDOVERT|4");
    EXPECT_EQ(Parse(Replace(kAlive, "NTS: ssdp:alive", "NTS:\t  ssdp:byebye"))->type, 4);
    EXPECT_EQ(Parse(Replace(kAlive, "ssdp:alive", "ssdp:update"))->type, 0) << "kept, acted on by nobody";
    // A full UUID and a long host name are kept whole.
    const std::string uuid = "4d2b7c1e-9a0f-4c3e-8b1d-5f6a7b8c9d0e";
    const std::string host = "storage-in-the-living-room-upstairs-1";
    const wire::SsdpDevice simulated{uuid, "192.168.1.20", "Kelmar", host, "Cloud", "", "2.4"};
    EXPECT_EQ(Fields(wire::FormatSsdpNotify(simulated, "ssdp:alive")),
              uuid + "|192.168.1.20|" + host + "|Cloud||2.4|Kelmar|2");
}

TEST(SsdpParser, MaxAgeIsTakenFromOneSecondToOneDay)
{
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"CACHE-CONTROL: max-age=1800", 1800},
        {"Cache-Control: no-cache, MAX-AGE = 30", 30},
        {"CACHE-CONTROL: max-age=0", 1},
        {"CACHE-CONTROL: max-age=-7", 1},
        {"CACHE-CONTROL: max-age=86401", 86400},
        {"CACHE-CONTROL: max-age=99999999999999999999999", 86400}, // forged beyond any integer
        {"CACHE-CONTROL: max-age=-99999999999999999999999", 1},
        {"CACHE-CONTROL: no-cache", 0},
        {"CACHE-CONTROL: max-age=soon", 0},
        {"CACHE-CONTROL:\r\nX-NOTE: max-age=5", 0}, // another header's text is not read
        {"X-NO-CACHE-CONTROL-HERE: 1", 0},
        {"X-NOTE: CACHE-CONTROL: max-age=2", 0}, // only a line named CACHE-CONTROL
        {"CACHE-CONTROL: x-max-age=2", 0},       // only the directive itself
        {"CACHE-CONTROL: x-max-age=2, max-age=9", 9},
        {"CACHE-CONTROL: private=\"max-age=2\"", 0},
    };
    for (const auto& [line, seconds] : cases) {
        const auto device = Parse(Replace(kAlive, "CACHE-CONTROL: max-age=1800", line));
        ASSERT_TRUE(device) << line;
        EXPECT_EQ(device->maxAge, seconds) << line;
    }
}

TEST(SsdpParser, HeaderNamesInAnyCaseAndBareLineFeeds)
{
    // Header names as devices in the field write them.
    const auto fieldNames = [](std::string text) {
        for (const auto& [name, written] : {std::pair{"LOCATION:", "Location:"},
                                            {"SERVER:", "Server:"},
                                            {"USN:", "Usn:"},
                                            {"NTS:", "nts:"}})
            text = Replace(text, name, written);
        return text;
    };
    const std::string answer = "1234|192.168.1.20|mydisk|NAS|1.2|1.0|ZANDOVERT|";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {fieldNames(kAnswer), answer + "1"},
        {fieldNames(kByebye), answer + "4"},
        {Replace(kAlive, "\r\n", "\n"), answer + "2"},
        {Replace(fieldNames(kAnswer), "\r\n", "\n"), answer + "1"},
        {Replace(Replace(kAnswer, "SERVER", "sErVeR"), "NAS/1.2\r\n", "NAS/1.2\n"),
         answer + "1"}, // mixed ends
        // Values keep their case, and so does the gate.
        {Replace(kAnswer, "VARN/1.0", "varn/1.0"), "dropped"},
        {Replace(kAnswer, "uuid:1234", "UUID:1234"), "dropped"},
        {Replace(kAlive, "ssdp:alive", "SSDP:ALIVE"), answer + "0"},
        {Replace(kAnswer, "HTTP/1.1 200", "http/1.1 200"), "dropped"},
    };
    for (const auto& [text, fields] : cases)
        EXPECT_EQ(Fields(text), fields) << text;
}

TEST(SsdpParser, DeviceIsListedAtTheSenderWhateverLocationNames)
{
    const std::string url = "http://192.168.1.20:80/desc.xml";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://192.0.2.7:80/desc.xml", ""}, // the sender's own: no line
        {"http://127.0.0.1:80/", "127.0.0.1"},
        {"http://0.0.0.0/desc.xml", "0.0.0.0"},
        {"http://255.255.255.255", "255.255.255.255"},
        {"http://239.143.255.250:1900/", "239.143.255.250"},
        {"http://192.168.1.20:80/desc.xml", "192.168.1.20"}, // another machine
        {"http://mydisk.local:80/", "mydisk.local"},
        {"http://a\x1b[2Jb/", "a\\x1b[2Jb"},
        {"http:192.168.1.23:80/", ""}, // no host to read
    };
    testsupport::CapturingSink sink;
    CSearchDeviceMulticastThread worker(&sink);
    for (const auto& [location, logged] : cases) {
        testsupport::ScopedLogFile log;
        testing::internal::CaptureStdout();
        worker.ResetDeviceInfo();
        Deliver(worker, Replace(kAnswer, url, location));
        testing::internal::GetCapturedStdout();
        ASSERT_FALSE(sink.reports.empty());
        EXPECT_STREQ(sink.reports.back().ip, "192.0.2.7") << location;
        const std::string line = "SendThread 1530 : Recive IP : 192.0.2.7, LOCATION Host : " + logged +
                                 ", Listed At The Sender IP *[";
        EXPECT_EQ(log.Contains(line), !logged.empty()) << log.Text();
        EXPECT_EQ(log.Contains("LOCATION Host"), !logged.empty()) << log.Text();
        sink.reports.clear();
    }
    EXPECT_STREQ(Parse(Replace(kAnswer, "LOCATION: " + url + "\r\n", ""))->ip, "192.168.1.20");
}

TEST(SsdpParser, ProductTokenItems)
{
    const std::string token = "ZANDOVERT/mydisk/NAS/1.2";
    const std::string item(84, 'i');
    const std::string cut(63, 'i');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ZANDOVERT/mydisk", "1234|192.168.1.20||||1.0|ZANDOVERT|1"},
        {"ZANDOVERT/mydisk/NAS", "1234|192.168.1.20|mydisk|NAS||1.0|ZANDOVERT|1"},
        {"ZANDOVERT/mydisk/NAS/1.2/extra", "1234|192.168.1.20|mydisk|NAS|1.2/extra|1.0|ZANDOVERT|1"},
        {"ZANDOVERT", "1234|192.168.1.20||||1.0||1"},
        // The token is cut at 255 characters, just before the detail; each item at 63.
        {item + "/" + item + "/" + item + "/detail",
         "1234|192.168.1.20|" + cut + "|" + cut + "||1.0|" + cut + "|1"},
    };
    for (const auto& [server, fields] : cases)
        EXPECT_EQ(Fields(Replace(kAnswer, token, server)), fields) << server;
    EXPECT_EQ(Fields(Replace(kAnswer, "VARN/1.0, UPnP/1.0, " + token, "VARN/1.0")),
              "1234|192.168.1.20||||||1")
        << "a broken SERVER header keeps the answer";
}

TEST(SsdpParser, LongTextsAreCutBetweenCharacters)
{
    const std::string room = "\u0413\u043e\u0441\u0442\u0438\u043d\u0430\u044f"; // 16 bytes
    const std::string snowman = "\u2603";                                        // 3 bytes
    const std::string notUtf8(70, '\xd1');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {room + room + room + room, room + room + room + room.substr(0, 14)}, // 64 bytes: 62 kept
        {std::string(61, 'a') + snowman, std::string(61, 'a')},
        {std::string(60, 'a') + snowman, std::string(60, 'a') + snowman}, // 63 bytes fit
        {std::string(62, 'a') + "\xf0\x9f\x92\xbe", std::string(62, 'a')},
        {notUtf8, notUtf8.substr(0, 63)}, // bytes that are no characters: cut where they are
    };
    for (const auto& [host, kept] : cases)
        EXPECT_EQ(Parse(Replace(kAnswer, "/mydisk/", "/" + host + "/"))->host, kept) << host;
    // The product token is cut at 255 bytes, here inside the detail's third character.
    const std::string item(83, 'i');
    const std::string token = item + "/" + item + "/" + item + "/" + "ab" + snowman + snowman;
    EXPECT_STREQ(Parse(Replace(kAnswer, "ZANDOVERT/mydisk/NAS/1.2", token))->detail, "ab");
}

TEST(SsdpParser, DropsTextsThatAreNotOurDevices)
{
    for (const std::string& text : {
             Replace(kAnswer, "VARN/1.0", "Linux/5.1"),    // no VARN anywhere
             Replace(kAnswer, "uuid:1234::", "uuid:1234"), // USN without "::"
             Replace(kAnswer, "USN:", "XSN:"),
             Replace(kByebye, "upnp:rootdevice", "upnp:other"), // not the root device
             Replace(kAlive, "NTS:", "NTX:"),
             Replace(kAnswer, "HTTP/1.1 200 OK", "M-SEARCH * HTTP/1.1"), // a request
         })
        EXPECT_EQ(Fields(text), "dropped") << text;
}

TEST(SsdpParser, RepeatsAreReportedEverySecondTime)
{
    testsupport::CapturingSink sink;
    testsupport::ScopedLogFile log;
    CSearchDeviceMulticastThread worker(&sink);
    testing::internal::CaptureStdout();
    for (const std::string* text : {&kAnswer, &kAnswer, &kAnswer, &kAlive, &kByebye, &kByebye, &kAlive})
        Deliver(worker, *text);
    testing::internal::GetCapturedStdout();
    std::string types;
    for (const auto& device : sink.reports)
        types += std::to_string(device.type);
    // The alive equal to the answer is a repeat; a byebye never is, and what follows it is new.
    EXPECT_EQ(types, "11442");
    EXPECT_TRUE(log.Contains("SendThread 1530 : Handle Mulitcast Recive Information Success, type = 1 *["));
    EXPECT_TRUE(
        log.Contains("SendThread 1530 : Handle Mulitcast Recive Information Fail : Old Device, type = 2 *["));
}
