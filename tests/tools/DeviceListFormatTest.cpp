#include "search/DeviceListFormat.h"
#include "search/WorkerDiagnosis.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DeviceRecord Device(const char* host, const char* ip)
{
    DeviceRecord d;
    SetDeviceText(d.id, std::string("id-") + ip);
    SetDeviceText(d.ip, ip);
    SetDeviceText(d.host, host);
    SetDeviceText(d.product, "NAS");
    SetDeviceText(d.vendor, "ZANDOVERT");
    d.type = 1;
    return d;
}

TEST(JsonStringTest, EscapesWhatJsonForbids)
{
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("\n\r\t"), R"("\n\r\t")");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001f\u007f")");
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), R"("a\u0000b")");
}

TEST(JsonStringTest, KeepsValidUtf8AndMapsStrayBytes)
{
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac"), "\"caf\xc3\xa9 \xe2\x82\xac\"");
    // Latin-1 bytes, a cut-off sequence, an overlong slash and a UTF-16 surrogate are not
    // UTF-8: each byte becomes its own code point so no byte is lost.
    EXPECT_EQ(JsonString("\xe9t\xe9"), R"("\u00e9t\u00e9")");
    EXPECT_EQ(JsonString("ab\xe2\x82"), R"("ab\u00e2\u0082")");
    EXPECT_EQ(JsonString("\xc0\xaf"), R"("\u00c0\u00af")");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), R"("\u00ed\u00a0\u0080")");
    // A C1 control encoded as UTF-8 is still a control.
    EXPECT_EQ(JsonString("\xc2\x9b"), R"("\u009b")");
}

TEST(TerminalTextTest, NeverPassesControlsThrough)
{
    EXPECT_EQ(TerminalText("\x1b[2Jx"), "\\x1b[2Jx");
    EXPECT_EQ(TerminalText("\xc2\x9b" "31m"), "\\xc2\\x9b31m");
    EXPECT_EQ(TerminalText("\xff"), "\\xff");
    EXPECT_EQ(TerminalText("d\xc3\xa9j\xc3\xa0 %s%n"), "d\xc3\xa9j\xc3\xa0 %s%n");
}

TEST(DeviceJsonTest, ListsEveryFieldInRegistryOrder)
{
    DeviceRecord second = Device("b\"disk", "192.0.2.11");
    SetDeviceText(second.detail, "1.2");
    SetDeviceText(second.osVersion, "1.0");
    second.type = 2;
    const std::string json = FormatDeviceJson({Device("zeta", "192.0.2.10"), second});
    EXPECT_EQ(json,
              "[\n"
              R"(  {"id": "id-192.0.2.10", "ip": "192.0.2.10", "host": "zeta", "product": "NAS", )"
              R"("detail": "", "osVersion": "", "vendor": "ZANDOVERT", "type": 1},)" "\n"
              R"(  {"id": "id-192.0.2.11", "ip": "192.0.2.11", "host": "b\"disk", "product": "NAS", )"
              R"("detail": "1.2", "osVersion": "1.0", "vendor": "ZANDOVERT", "type": 2})" "\n"
              "]\n");
    EXPECT_EQ(FormatDeviceJson({}), "[]\n");
}

TEST(DeviceJsonTest, StopsAtTheFieldEndWithoutATerminator)
{
    DeviceRecord d = Device("x", "192.0.2.10");
    std::memset(d.host, 'h', sizeof d.host);  // no zero byte in the field at all
    const std::string json = FormatDeviceJson({d});
    EXPECT_NE(json.find("\"host\": \"" + std::string(DeviceRecord::kTextSize, 'h') + "\""), std::string::npos);
}

TEST(DeviceTableTest, AlignsColumnsByShownCharacters)
{
    const std::string table =
        FormatDeviceTable({Device("caf\xc3\xa9", "192.0.2.10"), Device("ab\x01", "192.0.2.123")});
    EXPECT_EQ(table,
              "HOST    IP           PRODUCT  VENDOR     ID              TYPE\n"
              "caf\xc3\xa9    192.0.2.10   NAS      ZANDOVERT  id-192.0.2.10   1\n"
              "ab\\x01  192.0.2.123  NAS      ZANDOVERT  id-192.0.2.123  1\n");
}

TEST(WorkerDiagnosisTest, ReadableBlockAndOneProblemLinePerFailedStep)
{
    WorkerDiagnosis broadcast{"broadcast", "", 67, {}};
    broadcast.counters.problems = {"port 67 is in use by another program", "", "it has no socket"};
    broadcast.counters.queriesFailed = 1;
    WorkerDiagnosis address{"ssdp-address", "192.0.2.1", 1530, {}};
    address.counters.boundAddress = "192.0.2.1";
    address.counters.boundPort = 1531;
    address.counters.queriesSent = 1;
    address.counters.received = 9;
    address.counters.dropped = {1, 2, 3, 4, 5, 6};
    address.counters.listed = 7;
    address.counters.goodbyes = 8;
    const std::vector<WorkerDiagnosis> workers{broadcast, address};
    EXPECT_EQ(FormatDiagnosisText({address}),
              "ssdp-address worker for 192.0.2.1 (port 1530)\n"
              "  bound:    192.0.2.1 port 1531\n"
              "  queries:  1 sent, 0 failed\n"
              "  received: 9 datagrams\n"
              "  dropped:  1 wrong length, 2 not a device answer, 3 not from an accepted vendor, 4 repeats, "
              "5 registry full, 6 unreadable\n"
              "  listed:   7 reports, 8 goodbyes\n");
    EXPECT_NE(FormatDiagnosisText(workers).find("  bound:    nothing: port 67 is in use by another program\n"),
              std::string::npos);
    EXPECT_EQ(ProblemLines(workers),
              (std::vector<std::string>{"broadcast worker (port 67) could not bind: port 67 is in use by another program",
                                        "broadcast worker (port 67) could not send its query: it has no socket"}));
    EXPECT_TRUE(AnyQuerySent(workers));
    EXPECT_FALSE(AnyQuerySent({broadcast}));
}

} // namespace
