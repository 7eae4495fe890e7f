#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "discovery/DottedIPv4.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "os/LocalAddresses.h"

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
    DeviceRecord Only()
    {
        EXPECT_EQ(sink.reports.size(), 1u);
        return sink.reports.empty() ? DeviceRecord{} : sink.reports[0];
    }

    testsupport::CapturingSink sink;
    CSearchDeviceBroadcastThread worker{&sink};
};

} // namespace

TEST_F(BroadcastParser, FillsRecordFromItemsSenderAndTypeByte)
{
    Deliver(worker, testsupport::Fixture("broadcast_answer.bin"), "192.0.2.44");
    const DeviceRecord device = Only();
    EXPECT_EQ(std::string(device.id) + "|" + device.host + "|" + device.vendor + "|" + device.product + "|" +
                  device.ip + "|" + device.detail + "|" + device.osVersion,
              "A1|disk|Zandovert|NAS|192.0.2.44||");
    EXPECT_EQ(device.type, 1);
    EXPECT_EQ(device.refreshValue, 60);
}

TEST_F(BroadcastParser, ItemRules)
{
    // The text fills all 128 bytes; what follows the packet is never read as text.
    const std::string text = "xid=5&host=" + std::string(40, 'h') + "&product=" + std::string(68, 'p');
    const std::string area = Answer(200, text) + "&vendor=outside";
    worker.HandleRecvInfo(area.c_str(), 148, "192.0.2.7");
    const DeviceRecord device = Only();
    EXPECT_STREQ(device.id, "5") << "the key text matches inside another key";
    EXPECT_EQ(std::string(device.host), std::string(40, 'h'));
    EXPECT_EQ(std::string(device.product), std::string(63, 'p')) << "values are cut at 63";
    EXPECT_STREQ(device.vendor, "") << "absent key";
    EXPECT_EQ(device.type, 200) << "the type byte is unsigned";
}

TEST_F(BroadcastParser, TextsThePacketCutAreMarkedPartial)
{
    const std::string room = "\u0413\u043e\u0441\u0442\u0438\u043d\u0430\u044f"; // 16 bytes
    const std::string start = "id=A1&vendor=Zandovert&host=";                    // 28 bytes
    const auto bit = [](auto field) { return static_cast<int>(PartialBit(field)); };
    const int neverCarried = bit(&DeviceRecord::detail) | bit(&DeviceRecord::osVersion);
    const struct
    {
        std::string text, host;
        int partial;
    } cases[] = {
        {start + "disk&product=NAS", "disk", neverCarried},
        {start + "disk", "disk", neverCarried | bit(&DeviceRecord::product)}, // no product item
        // 100 bytes of host fill the packet: cut there, and inside its last character.
        {start + std::string(100, 'h'), std::string(63, 'h'),
         neverCarried | bit(&DeviceRecord::host) | bit(&DeviceRecord::product)},
        // The packet ends after the first byte of a character: that byte goes too.
        {"id=" + std::string(51, 'i') + "&vendor=Zandovert&product=NAS&host=" + room + room + room,
         room + room + room.substr(0, 6), neverCarried | bit(&DeviceRecord::host)},
        {start + std::string(49, 'h') + room.substr(0, 3) + "&product=NAS" + std::string(100, '.'),
         std::string(49, 'h') + room.substr(0, 3), bit(&DeviceRecord::product) | neverCarried},
    };
    for (const auto& [text, host, partial] : cases) {
        sink.reports.clear();
        worker.ResetDeviceInfo();
        Deliver(worker, Answer(1, text));
        const DeviceRecord device = Only();
        EXPECT_EQ(std::string(device.host), host) << text;
        EXPECT_EQ(device.partialTexts, partial) << text;
    }
}

TEST_F(BroadcastParser, DropsOtherLengthsSilentlyAndQueriesWithALine)
{
    testsupport::ScopedLogFile log;
    const std::string packet = Answer(1, "id=A1&vendor=Zandovert");
    Deliver(worker, packet.substr(0, 147));
    Deliver(worker, packet + '\0');
    EXPECT_EQ(log.Text(), "");
    const wire::SearchPacket query = wire::MakeSearchQuery();
    testing::internal::CaptureStdout();
    Deliver(worker, {query.begin(), query.end()}, "192.0.2.9");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sink.reports.size(), 0u);
    EXPECT_TRUE(log.Contains("SendThread 1530 : Recive IP : 192.0.2.9 is not Device *["));
}

TEST_F(BroadcastParser, RepeatsAreReportedOncePerSearchButByebyeAlways)
{
    const std::string a = Answer(1, "id=A&vendor=Zandovert");
    for (int i = 0; i < 3; ++i)
        Deliver(worker, a);
    EXPECT_EQ(sink.reports.size(), 1u) << "a repeat does not clear the last report";
    worker.ResetDeviceInfo(); // the next search
    Deliver(worker, a);
    Deliver(worker, Answer(1, "id=B&vendor=Zandovert"));
    Deliver(worker, a);
    EXPECT_EQ(sink.reports.size(), 4u) << "a new search, or another device in between, makes A new";
    Deliver(worker, Answer(4, "id=A&vendor=Zandovert"));
    Deliver(worker, a);
    EXPECT_EQ(sink.reports.size(), 6u) << "a byebye is no repeat, and the device that comes back is new";
}

TEST(BroadcastTargets, EachSubnetHasItsOwnBroadcastAddress)
{
    const struct
    {
        const char* address;
        unsigned prefix;
        const char* broadcast;
    } cases[] = {{"192.0.2.1", 24, "192.0.2.255"},
                 {"198.18.0.1", 15, "198.19.255.255"},
                 {"198.18.5.9", 30, "198.18.5.11"},
                 {"192.0.2.1", 0, "255.255.255.255"},
                 {"192.0.2.1", 31, ""},
                 {"192.0.2.1", 32, ""},
                 {"not.an.address", 24, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(SubnetBroadcast(c.address, c.prefix), c.broadcast) << c.address << "/" << c.prefix;
    // One query per broadcast address, none for a network without one.
    std::string targets;
    for (const auto& target : CSearchDeviceBroadcastThread::BroadcastTargets(
             {{"192.0.2.1", "192.0.2.255", 2}, {"192.0.2.9", "192.0.2.255", 2}, {"198.18.0.1", "", 3}}))
        targets += target.to_string() + " ";
    EXPECT_EQ(targets, "255.255.255.255 192.0.2.255 ");
}

TEST(BroadcastTargets, OnlyInterfacesThatAreUpAndNotLoopbackAreSearched)
{
    //                 address     prefix index up     loopback broadcast
    const std::vector<InterfaceIPv4> entries = {{0x7F000001, 8, 1, true, true, false},
                                                {0xC0000201, 24, 2, true, false, true},
                                                {0xC0000202, 24, 3, false, false, true},
                                                {0xC6120001, 15, 4, true, false, false},
                                                {0xC6120501, 31, 5, true, false, true}};
    EXPECT_EQ(UsableNetworks(entries), (std::vector<LocalNetwork>{{"192.0.2.1", "192.0.2.255", 2, 24},
                                                                  {"198.18.0.1", "", 4, 15},
                                                                  {"198.18.5.1", "", 5, 31}}));
}

// What goes on the wire, written out here byte for byte rather than taken from the encoders.
TEST(SearchRequests, AreTheBytesDevicesWaitFor)
{
    std::vector<std::uint8_t> query(148, 0x00);
    query[0] = 0x0B;
    query[1] = 0x01;
    query[4] = query[5] = query[6] = query[7] = 0xFF;
    const wire::SearchPacket made = wire::MakeSearchQuery();
    EXPECT_EQ(std::vector<std::uint8_t>(made.begin(), made.end()), query);
    EXPECT_EQ(std::string(wire::kMSearchRequest), "M-SEARCH * HTTP/1.1\r\n"
                                                  "HOST: 239.143.255.250:1900\r\n"
                                                  "ST: urn:schemas-upnp-org:device:HomeNasDevice:1\r\n"
                                                  "MAN: \"ssdp:discover\"\r\n"
                                                  "MX: 3\r\n"
                                                  "\r\n");
}

TEST(DottedText, NamesEveryAddressAsDottedDecimal)
{
    for (const char* text : {"0.0.0.0", "255.255.255.255", "192.0.2.1", "10.0.100.9", "198.19.3.232"})
        EXPECT_STREQ(FormatDottedIPv4(boost::asio::ip::make_address_v4(text)).data(), text);
}
