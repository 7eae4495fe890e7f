#include "devsim/SimulatorResponder.h"
#include "devsim/HostileTraffic.h"
#include "devsim/SimulatedDevices.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

namespace {

constexpr std::uint32_t kSearcher = 0xC0000201; // 192.0.2.1
const std::string kSearch(wire::kMSearchRequest);

SimulatorOptions Options(int count)
{
    SimulatorOptions options;
    options.count = count;
    ParseIpv4("192.0.2.253", options.firstAddress);
    return options;
}

std::string Query()
{
    const wire::SearchPacket query = wire::MakeSearchQuery();
    return std::string(query.begin(), query.end());
}

TEST(SimulatedDevicesTest, ExpandsOnlyTheIndex)
{
    EXPECT_EQ(ExpandPattern("disk%d", 7), "disk7");
    EXPECT_EQ(ExpandPattern("%s%n%d%", 12), "%s%n12%");
    EXPECT_EQ(ExpandPattern("%%d-%d", 3), "%3-3");
}

TEST(SimulatedDevicesTest, AddressesSkipNetworkAndBroadcastEndings)
{
    const std::vector<std::uint32_t> addresses = DeviceAddresses(0xC00002FD, 4); // 192.0.2.253
    ASSERT_EQ(addresses.size(), 4u);
    EXPECT_EQ(FormatIpv4(addresses[0]), "192.0.2.253");
    EXPECT_EQ(FormatIpv4(addresses[1]), "192.0.2.254");
    EXPECT_EQ(FormatIpv4(addresses[2]), "192.0.3.1");
    EXPECT_EQ(FormatIpv4(addresses[3]), "192.0.3.2");
}

TEST(SimulatorResponderTest, EveryDeviceAnswersTheBroadcastQueryFromItsOwnAddress)
{
    CSimulatorResponder responder(Options(3), 1);
    const std::vector<OutgoingDatagram> out =
        responder.Reply(QueryChannel::Broadcast, Query(), kSearcher, 67);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(FormatIpv4(out[2].source), "192.0.3.1");
    for (const OutgoingDatagram& d : out) {
        EXPECT_EQ(d.destination, kSearcher);
        EXPECT_EQ(d.port, 67);
        EXPECT_EQ(d.channel, QueryChannel::Broadcast);
        ASSERT_EQ(d.payload.size(), wire::kSearchPacketSize);
        EXPECT_EQ(static_cast<std::uint8_t>(d.payload[0]), wire::kAnswerOpcode);
        EXPECT_EQ(d.payload[1], wire::kReportAnswer);
    }
    EXPECT_EQ(out[1].payload.substr(wire::kPacketTextOffset, 50).c_str(),
              std::string("id=dev1&host=disk1&vendor=ZANDOVERT&product=NAS"));
}

TEST(SimulatorResponderTest, IgnoresWhatIsNotItsQuery)
{
    CSimulatorResponder responder(Options(2), 1);
    std::string answer = Query();
    answer[0] = static_cast<char>(wire::kAnswerOpcode); // another device's answer
    EXPECT_TRUE(responder.Reply(QueryChannel::Broadcast, answer, kSearcher, 67).empty());
    EXPECT_TRUE(responder.Reply(QueryChannel::Broadcast, Query() + "x", kSearcher, 67).empty());
    EXPECT_TRUE(responder.Reply(QueryChannel::Broadcast, "", kSearcher, 67).empty());
    // A query on the wrong socket, a foreign search target, an announcement.
    EXPECT_TRUE(responder.Reply(QueryChannel::Ssdp, Query(), kSearcher, 1900).empty());
    std::string other = kSearch;
    other.replace(other.find("HomeNasDevice"), 13, "MediaRenderer");
    EXPECT_TRUE(responder.Reply(QueryChannel::Ssdp, other, kSearcher, 1900).empty());
    EXPECT_TRUE(responder.Reply(QueryChannel::Ssdp, wire::FormatSsdpNotify({}, "ssdp:alive"), kSearcher, 1900)
                    .empty());
}

// Forged answerers answer no query; every second each sends both answers unasked, to
// everybody: the SSDP one to the group, the broadcast one to port 67 of every searcher; and
// both again to each address they are aimed at.
TEST(SimulatorResponderTest, ForgedAnswerersSendAnswersNobodyAskedFor)
{
    SimulatorOptions options = Options(2);
    options.hostile = kHostileAnswers;
    CSimulatorResponder responder(options, 1);
    EXPECT_TRUE(responder.Reply(QueryChannel::Ssdp, kSearch, kSearcher, 1530).empty());
    EXPECT_TRUE(responder.Reply(QueryChannel::Broadcast, Query(), kSearcher, 67).empty());
    const std::vector<OutgoingDatagram> out = responder.UnaskedAnswers();
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].destination, 0xEF8FFFFAu); // 239.143.255.250
    EXPECT_EQ(out[0].port, 1900);
    EXPECT_EQ(out[0].payload.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(out[3].destination, 0xFFFFFFFFu);
    EXPECT_EQ(out[3].port, 67);
    EXPECT_EQ(out[3].payload.size(), wire::kSearchPacketSize);
    EXPECT_EQ(out[3].source, out[2].source);
    EXPECT_TRUE(CSimulatorResponder(Options(2), 1).UnaskedAnswers().empty());

    options.answerTargets = {0xC00002FFu}; // 192.0.2.255
    const std::vector<OutgoingDatagram> aimed = CSimulatorResponder(options, 1).UnaskedAnswers();
    ASSERT_EQ(aimed.size(), 8u);
    for (const auto& [at, port, same] : {std::tuple{2, 1900, 0}, std::tuple{3, 67, 1}}) {
        EXPECT_EQ(aimed[at].destination, 0xC00002FFu) << at;
        EXPECT_EQ(aimed[at].port, port) << at;
        EXPECT_EQ(aimed[at].payload, out[same].payload) << at;
        EXPECT_EQ(aimed[at].source, out[0].source) << at;
    }
}

TEST(SimulatorResponderTest, AnswersTheSsdpSearchWithItsTexts)
{
    SimulatorOptions options = Options(2);
    options.detailPattern = "fw%d";
    CSimulatorResponder responder(options, 1);
    const std::vector<OutgoingDatagram> out = responder.Reply(QueryChannel::Ssdp, kSearch, kSearcher, 1530);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].port, 1530);
    EXPECT_EQ(out[0].payload.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(out[1].payload.find("LOCATION: http://192.0.2.254:80/"), std::string::npos);
    EXPECT_NE(out[1].payload.find("SERVER: VARN/1.0, UPnP/1.0, ZANDOVERT/disk1/NAS/fw1\r\n"),
              std::string::npos);
    EXPECT_NE(out[1].payload.find("USN: uuid:dev1::"), std::string::npos);
}

TEST(SimulatorResponderTest, ReadsSearchHeadersLikeAnSsdpDevice)
{
    int mx = 0;
    EXPECT_TRUE(IsDeviceSearch("M-SEARCH * HTTP/1.1\r\nst:ssdp:all\r\nMx:  9 \r\n\r\n", mx));
    EXPECT_EQ(mx, 5); // capped
    EXPECT_TRUE(IsDeviceSearch(kSearch, mx));
    EXPECT_EQ(mx, 3);
    EXPECT_FALSE(IsDeviceSearch("M-SEARCH * HTTP/1.1\r\nMX: 1\r\n\r\n", mx)); // no target
    EXPECT_FALSE(IsDeviceSearch("NOTIFY * HTTP/1.1\r\nST: ssdp:all\r\n", mx));
}

TEST(SimulatorResponderTest, RandomDelaysStayWithinTheQuerysWait)
{
    SimulatorOptions options = Options(200);
    options.randomDelay = true;
    CSimulatorResponder responder(options, 42);
    std::string search = kSearch;
    search.replace(search.find("MX: 3"), 5, "MX: 1");
    std::set<int> delays;
    for (const OutgoingDatagram& d : responder.Reply(QueryChannel::Ssdp, search, kSearcher, 1900)) {
        EXPECT_GE(d.delayMs, 0);
        EXPECT_LE(d.delayMs, 1000);
        delays.insert(d.delayMs);
    }
    EXPECT_GT(delays.size(), 50u); // spread out, not one burst
}

TEST(SimulatorResponderTest, ProtocolChoiceAndAnnouncements)
{
    SimulatorOptions options = Options(3);
    options.ssdp = false;
    CSimulatorResponder broadcastOnly(options, 1);
    EXPECT_TRUE(broadcastOnly.Reply(QueryChannel::Ssdp, kSearch, kSearcher, 1900).empty());
    EXPECT_TRUE(broadcastOnly.Announce("ssdp:alive").empty());

    CSimulatorResponder both(Options(3), 1);
    const std::vector<OutgoingDatagram> byebye = both.Announce("ssdp:byebye");
    ASSERT_EQ(byebye.size(), 3u);
    EXPECT_EQ(FormatIpv4(byebye[0].destination), "239.143.255.250");
    EXPECT_EQ(byebye[0].port, 1900);
    EXPECT_NE(byebye[2].payload.find("NTS: ssdp:byebye\r\n"), std::string::npos);
    EXPECT_NE(byebye[2].payload.find("uuid:dev2::"), std::string::npos);
}

TEST(HostileTrafficTest, EachKindHasItsShape)
{
    std::mt19937 random(7);
    const std::vector<HostilePayload> zero = MakeHostileTraffic(kHostileZeroLength, true, 0, random);
    ASSERT_FALSE(zero.empty());
    EXPECT_TRUE(zero[0].bytes.empty());
    for (const HostilePayload& p : MakeHostileTraffic(kHostileOversized, false, 0, random))
        EXPECT_GT(p.bytes.size(), 1024u);
    const std::vector<HostilePayload> format = MakeHostileTraffic(kHostileFormat, true, 0, random);
    ASSERT_EQ(format.size(), 1u);
    EXPECT_NE(format[0].bytes.find("%s%n"), std::string::npos);
    EXPECT_NE(format[0].bytes.find(std::string(", ") + kHostileVendor + "/"), std::string::npos);
}

TEST(HostileTrafficTest, FloodForgesDistinctDevicesSpreadOverTime)
{
    std::mt19937 random(7);
    const std::vector<HostilePayload> flood = MakeHostileTraffic(kHostileFlood, true, 12000, random);
    ASSERT_EQ(flood.size(), 12000u);
    std::set<std::string> locations;
    std::set<std::string> ids;
    for (const HostilePayload& p : flood) {
        const std::size_t location = p.bytes.find("LOCATION: ");
        const std::size_t usn = p.bytes.find("USN: ");
        locations.insert(p.bytes.substr(location, p.bytes.find('\r', location) - location));
        ids.insert(p.bytes.substr(usn, p.bytes.find("::", usn) - usn));
    }
    EXPECT_EQ(locations.size(), 12000u);
    EXPECT_EQ(ids.size(), 12000u);
    EXPECT_EQ(flood.front().delayMs, 0);
    EXPECT_GT(flood.back().delayMs, 100);
}

} // namespace
