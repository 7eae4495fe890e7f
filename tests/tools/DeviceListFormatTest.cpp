#include "search/DeviceListFormat.h"
#include "search/ChangeFormat.h"
#include "search/ChangeQueue.h"
#include "search/Inventory.h"
#include "search/WorkerDiagnosis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "support/TestSystem.h"

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
    EXPECT_EQ(TerminalText("\xc2\x9b"
                           "31m"),
              "\\xc2\\x9b31m");
    EXPECT_EQ(TerminalText("\xff"), "\\xff");
    EXPECT_EQ(TerminalText("d\xc3\xa9j\xc3\xa0 %s%n"), "d\xc3\xa9j\xc3\xa0 %s%n");
    // The edges of printable ASCII, which passes a run at a time.
    EXPECT_EQ(TerminalText("\x1f ~\x7f"), "\\x1f ~\\x7f");
}

// Characters that change how the text around them is shown, without showing themselves.
TEST(DeviceTextFormsTest, InvisibleFormatCharactersAreEscapedInTableAndJson)
{
    const struct
    {
        std::string bytes, terminal, json;
    } cases[] = {
        {"photo\xe2\x80\xaegpj.exe", "photo\\xe2\\x80\\xaegpj.exe", R"("photo\u202egpj.exe")"}, // U+202E
        {"a\xe2\x80\x8b"
         "b",
         "a\\xe2\\x80\\x8b"
         "b",
         R"("a\u200bb")"},                                                 // U+200B
        {"\xef\xbb\xbfx", "\\xef\\xbb\\xbfx", R"("\ufeffx")"},             // U+FEFF
        {"\xe2\x80\xa8", "\\xe2\\x80\\xa8", R"("\u2028")"},                // U+2028
        {"\xf3\xa0\x81\x81", "\\xf3\\xa0\\x81\\x81", R"("\udb40\udc41")"}, // U+E0041
        {"\xe2\x80\x8a\xe2\x81\xb0", "\xe2\x80\x8a\xe2\x81\xb0",
         "\"\xe2\x80\x8a\xe2\x81\xb0\""}, // neighbours stay
    };
    for (const auto& [bytes, terminal, json] : cases) {
        EXPECT_EQ(TerminalText(bytes), terminal) << bytes;
        EXPECT_EQ(JsonString(bytes), json) << bytes;
    }
}

TEST(DeviceJsonTest, ListsEveryFieldInRegistryOrder)
{
    DeviceRecord second = Device("b\"disk", "192.0.2.11");
    SetDeviceText(second.detail, "1.2");
    SetDeviceText(second.osVersion, "1.0");
    second.type = 2;
    const std::string json = FormatDeviceJson({Device("zeta", "192.0.2.10"), second});
    EXPECT_EQ(
        json,
        "[\n"
        R"(  {"id": "id-192.0.2.10", "ip": "192.0.2.10", "host": "zeta", "product": "NAS", )"
        R"("detail": "", "osVersion": "", "vendor": "ZANDOVERT", "type": 1, "url": "http://192.0.2.10"},)"
        "\n"
        R"(  {"id": "id-192.0.2.11", "ip": "192.0.2.11", "host": "b\"disk", "product": "NAS", )"
        R"("detail": "1.2", "osVersion": "1.0", "vendor": "ZANDOVERT", "type": 2, "url": "http://192.0.2.11"})"
        "\n"
        "]\n");
    EXPECT_EQ(FormatDeviceJson({}), "[]\n");
}

TEST(DeviceJsonTest, StopsAtTheFieldEndWithoutATerminator)
{
    DeviceRecord d = Device("x", "192.0.2.10");
    std::memset(d.host, 'h', sizeof d.host); // no zero byte in the field at all
    const std::string json = FormatDeviceJson({d});
    EXPECT_NE(json.find("\"host\": \"" + std::string(DeviceRecord::kTextSize, 'h') + "\""),
              std::string::npos);
}

TEST(DeviceTableTest, AlignsColumnsByShownCharacters)
{
    const std::string table =
        FormatDeviceTable({Device("caf\xc3\xa9", "192.0.2.10"), Device("ab\x01", "192.0.2.123")});
    EXPECT_EQ(table, "HOST    IP           PRODUCT  VENDOR     ID              TYPE\n"
                     "caf\xc3\xa9    192.0.2.10   NAS      ZANDOVERT  id-192.0.2.10   1\n"
                     "ab\\x01  192.0.2.123  NAS      ZANDOVERT  id-192.0.2.123  1\n");
}

TEST(WatchEventTest, OneLineWithUtcMillisecondsAndTheDevice)
{
    using namespace std::chrono;
    const system_clock::time_point time{milliseconds(1767182400007)}; // 2025-12-31 12:00:00.007
    const std::string appeared =
        FormatWatchEvent({RegistryChange::Kind::Appeared, Device("nas", "192.0.2.10"), time});
    EXPECT_EQ(appeared, R"({"event": "appeared", "time": "2025-12-31T12:00:00.007Z", "device": )" +
                            FormatDeviceObject(Device("nas", "192.0.2.10")) + "}\n");
    EXPECT_EQ(FormatWatchEvent({RegistryChange::Kind::Gone, Device("nas", "192.0.2.10"), time,
                                RegistryChange::GoneReason::Expired}),
              R"({"event": "gone", "time": "2025-12-31T12:00:00.007Z", "device": )" +
                  FormatDeviceObject(Device("nas", "192.0.2.10")) + R"(, "reason": "expired"})" + "\n");
    const std::string displaced = FormatWatchEvent({RegistryChange::Kind::Gone, Device("nas", "192.0.2.10"),
                                                    time, RegistryChange::GoneReason::Displaced});
    EXPECT_TRUE(displaced.ends_with("}, \"reason\": \"displaced\"}\n")) << displaced;
    EXPECT_EQ(FormatWatchEvent({RegistryChange::Kind::Seen, Device("nas", "192.0.2.10"), time}), "");
    EXPECT_EQ(FormatUtcTime(system_clock::time_point{seconds(0)}), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(FormatUtcTime(system_clock::time_point{milliseconds(951782400007)}),
              "2000-02-29T00:00:00.007Z");
    EXPECT_EQ(FormatUtcTime(system_clock::time_point{milliseconds(4102444799999)}),
              "2099-12-31T23:59:59.999Z");
}

// A reader that falls behind finds one entry per device, with the device's latest state.
TEST(ChangeQueueTest, FoldsEachDevicesChangesWhileTheReaderIsBehind)
{
    using K = RegistryChange::Kind;
    struct Case
    {
        std::vector<std::pair<K, const char*>> pushed; // kind, host; all for one address
        std::string waiting;                           // kind/host of what is popped, or ""
    };
    const std::vector<Case> cases = {
        {{{K::Appeared, "a"}, {K::Seen, "a"}, {K::Changed, "b"}, {K::Seen, "b"}}, "0/b"},
        {{{K::Appeared, "a"}, {K::Gone, "a"}}, ""},
        {{{K::Seen, "a"}, {K::Seen, "a"}, {K::Gone, "a"}}, "3/a"},
        {{{K::Changed, "a"}, {K::Gone, "a"}}, "3/a"},
        {{{K::Gone, "a"}, {K::Appeared, "b"}}, "1/b"},
        {{{K::Seen, "a"}, {K::Changed, "b"}, {K::Seen, "c"}}, "1/c"},
    };
    for (const Case& c : cases) {
        CChangeQueue queue;
        bool woken = false;
        for (const auto& [kind, host] : c.pushed)
            woken |= queue.Push({kind, Device(host, "192.0.2.1"), {}});
        std::string waiting;
        if (const auto change = queue.Pop())
            waiting = std::to_string(static_cast<int>(change->kind)) + "/" + change->device.host;
        EXPECT_EQ(waiting, c.waiting) << c.pushed.size() << " changes ending in " << c.pushed.back().second;
        EXPECT_TRUE(woken);
        EXPECT_FALSE(queue.Pop());
    }
}

TEST(ChangeQueueTest, HoldsAtMostItsBoundInArrivalOrder)
{
    CChangeQueue queue;
    auto address = [](std::size_t i) {
        return "10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
               std::to_string(i % 256);
    };
    EXPECT_TRUE(queue.Push({RegistryChange::Kind::Appeared, Device("x", address(0).c_str()), {}}));
    for (std::size_t i = 1; i < CChangeQueue::kMaxEntries + 100; ++i)
        EXPECT_FALSE(queue.Push({RegistryChange::Kind::Appeared, Device("x", address(i).c_str()), {}}));
    for (int round = 0; round < 3; ++round) // a flood of repeats takes no room
        queue.Push({RegistryChange::Kind::Seen, Device("y", address(7).c_str()), {}});
    EXPECT_EQ(queue.Size(), CChangeQueue::kMaxEntries);
    EXPECT_EQ(std::string(queue.Pop()->device.ip), address(0));
    EXPECT_EQ(std::string(queue.Pop()->device.ip), address(1));
}

// Entries that Pop took out are used again by later pushes, for other devices.
TEST(ChangeQueueTest, EntriesTakenOutServeLaterDevicesAsTheirOwn)
{
    using K = RegistryChange::Kind;
    CChangeQueue queue;
    queue.Push({K::Appeared, Device("a", "192.0.2.1"), {}});
    queue.Pop();
    queue.Push({K::Appeared, Device("b", "192.0.2.2"), {}});
    queue.Push({K::Changed, Device("b2", "192.0.2.2"), {}}); // folds into b's entry, found by its address
    queue.Push({K::Gone, Device("a", "192.0.2.1"), {}});
    auto popAll = [&queue] {
        std::string popped;
        while (const auto change = queue.Pop())
            popped +=
                std::string(change->device.host) + "/" + std::to_string(static_cast<int>(change->kind)) + " ";
        return popped;
    };
    EXPECT_EQ(popAll(), "b2/0 a/3 ");
    queue.Push({K::Appeared, Device("d", "192.0.2.4"), {}});
    EXPECT_EQ(popAll(), "d/0 ");
}

class InventoryTest : public testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string File(const std::string& name, const std::string& text)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // A folder of this test's own: ctest runs the tests of this file side by side in separate
    // processes, whose addresses and seeds can be alike (always so under ThreadSanitizer).
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("inventory-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(std::random_device()()));
};

TEST_F(InventoryTest, SavedDevicesComeBackAndDifferencesAreNamed)
{
    const DeviceRecord renamed = Device("renamed", "192.0.2.11");
    const std::vector<InventoryEntry> saved{
        {Device("a", "192.0.2.10"), "2026-01-01T00:00:00.000Z"},
        {Device("caf\xc3\xa9 \"b\"\\", "192.0.2.11"), "2026-01-01T00:00:01.000Z"}};
    const std::string path = (folder / "devices.json").string();
    std::string error;
    ASSERT_TRUE(SaveInventory(path, FormatInventory(saved, "2026-01-01T00:00:02.000Z"), error)) << error;
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1)
        << "no temporary file is left";

    std::vector<InventoryEntry> loaded;
    ASSERT_TRUE(LoadInventory(path, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[1].device, saved[1].device);
    EXPECT_EQ(loaded[1].lastSeen, saved[1].lastSeen);

    DeviceRecord sameBySsdp = Device("a", "192.0.2.10");
    SetDeviceText(sameBySsdp.osVersion, "1.0");
    const std::vector<InventoryEntry> now{
        {sameBySsdp, "t1"}, {renamed, "t2"}, {Device("c", "192.0.2.12"), "t3"}};
    EXPECT_EQ(FormatDifferences(CompareInventory(loaded, now), false),
              "CHANGE   HOST     IP          PRODUCT  VENDOR     ID             TYPE\n"
              "changed  renamed  192.0.2.11  NAS      ZANDOVERT  id-192.0.2.11  1\n"
              "new      c        192.0.2.12  NAS      ZANDOVERT  id-192.0.2.12  1\n");
    const auto gone = CompareInventory(loaded, {now[2]});
    ASSERT_EQ(gone.size(), 3u);
    EXPECT_EQ(gone[2].kind, InventoryDifference::Kind::Gone);
    EXPECT_EQ(FormatDifferences({}, true), "[]\n");
}

TEST_F(InventoryTest, SaveReplacesOnlyRegularFilesAndFollowsLinks)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "FIFOs, devices and links as a POSIX system has them";
    namespace fs = std::filesystem;
    const std::string kept = File("kept.json", "old");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    const std::string target = File("target.json", "old");
    fs::create_symlink(target, folder / "link.json");
    fs::create_symlink("/dev/null", folder / "device.json");
    fs::create_directory(folder / "folder.json");
    ASSERT_TRUE(testsystem::MakeFifo(folder / "fifo.json"));
    const std::pair<std::string, bool> cases[] = {
        {kept, true},
        {(folder / "link.json").string(), true},
        {(folder / "device.json").string(), false},
        {(folder / "folder.json").string(), false},
        {(folder / "fifo.json").string(), false},
    };
    for (const auto& [path, replaced] : cases) {
        std::string error;
        EXPECT_EQ(SaveInventory(path, "new", error), replaced) << path << ": " << error;
        EXPECT_EQ(error.empty(), replaced) << path;
    }
    EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink(folder / "link.json"));
    std::ifstream replaced(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(replaced), {}), "new");
    EXPECT_TRUE(fs::is_symlink(folder / "device.json"));
    EXPECT_TRUE(fs::is_fifo(folder / "fifo.json"));
    EXPECT_TRUE(fs::is_directory(folder / "folder.json"));
}

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    while (times-- > 0)
        out += text;
    return out;
}

TEST_F(InventoryTest, DamagedOrForeignFilesAreRefusedWithAReason)
{
    const auto withHost = [](const std::string& host) {
        return R"({"id": "a", "ip": "192.0.2.10", "host": ")" + host +
               R"(", "product": "p", "detail": "", "osVersion": "", "vendor": "v", "type": 1, "lastSeen": "t")";
    };
    const std::string device = withHost("h");
    const std::pair<const char*, std::string> cases[] = {
        {"damaged", R"({"format": "travelkin-inventory", "version": 1, "devices": [)"},
        {"damaged", ""},
        {"not a list", R"({"format": "something else", "version": 1, "devices": []})"},
        {"not a list", R"(["travelkin-inventory"])"},
        {"version", R"({"format": "travelkin-inventory", "version": 2, "devices": []})"},
        {"no list", R"({"format": "travelkin-inventory", "version": 1, "devices": "none"})"},
        {"incomplete", R"({"format": "travelkin-inventory", "version": 1, "devices": [{"id": "a"}]})"},
        {"incomplete", R"({"format": "travelkin-inventory", "version": 1, "devices": [)" +
                           withHost(std::string(DeviceRecord::kTextSize, 'x')) + "}]}"},
        {"no list", R"({"format": "travelkin-inventory", "version": 1, "devices": {"x": )" + device + "}}}"},
        // Hostile files: deep nesting, a flood of values, values of the wrong type.
        {"nested deeper", std::string(60000, '[') + std::string(60000, ']')},
        {"too large", "[" + Repeat("0,", 8 << 20) + "0]"},
        {"more values",
         R"({"format": "travelkin-inventory", "version": 1, "devices": [)" + Repeat("0,", 200000) + "0]}"},
        {"version", R"({"format": "travelkin-inventory", "version": "1", "devices": []})"},
        {"no list", R"({"format": "travelkin-inventory", "version": 1, "devices": ""})"},
        {"incomplete", R"({"format": "travelkin-inventory", "version": 1, "devices": [)" +
                           device.substr(0, device.find(R"("type": 1)")) +
                           R"("type": "1", "lastSeen": "t"}]})"},
        {"damaged", R"({"format": "travelkin-inventory", "version": 1, "devices": [)" +
                        std::string(R"({"ip": ["192.0.2.10"])") + device.substr(device.find(R"(, "host")")) +
                        "}]}"},
    };
    for (const auto& [reason, text] : cases) {
        std::vector<InventoryEntry> entries;
        std::string error;
        const std::string path = File("file.json", text);
        EXPECT_FALSE(LoadInventory(path, entries, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << reason << ": " << error;
    }
    std::vector<InventoryEntry> entries;
    std::string error;
    EXPECT_TRUE(LoadInventory(
        File("ok.json", R"({"format": "travelkin-inventory", "version": 1, "devices": [)" + device + "}]}"),
        entries, error))
        << error;
}

TEST(WorkerDiagnosisTest, ReadableBlockAndOneProblemLinePerFailedStep)
{
    WorkerFacts broadcast{"broadcast", "", 67, {}};
    broadcast.counters.problems = {"port 67 is in use by another program", "", "it has no socket"};
    broadcast.counters.queriesFailed = 1;
    WorkerFacts address{"ssdp-address", "192.0.2.1", 1530, {}};
    address.counters.boundAddress = "192.0.2.1";
    address.counters.boundPort = 1531;
    address.counters.queriesSent = 1;
    address.counters.received = 9;
    address.counters.dropped = {1, 2, 3, 4, 5, 6};
    address.counters.listed = 7;
    address.counters.goodbyes = 8;
    const std::vector<WorkerFacts> workers{broadcast, address};
    EXPECT_EQ(FormatDiagnosisText({address}),
              "ssdp-address worker for 192.0.2.1 (port 1530)\n"
              "  bound:    192.0.2.1 port 1531\n"
              "  queries:  1 sent, 0 failed\n"
              "  received: 9 datagrams\n"
              "  dropped:  1 wrong length, 2 not a device answer, 3 not from an accepted vendor, 4 repeats, "
              "5 registry full, 6 unreadable\n"
              "  listed:   7 reports, 8 goodbyes\n");
    EXPECT_NE(
        FormatDiagnosisText(workers).find("  bound:    nothing: port 67 is in use by another program\n"),
        std::string::npos);
    EXPECT_EQ(ProblemLines(workers),
              (std::vector<std::string>{
                  "broadcast worker (port 67) could not bind: port 67 is in use by another program",
                  "broadcast worker (port 67) could not send its query: it has no socket"}));
    EXPECT_TRUE(AnyQuerySent(workers));
    EXPECT_FALSE(AnyQuerySent({broadcast}));
    // Only queries that went out and drew not one datagram point at a firewall.
    EXPECT_FALSE(NothingHeard(workers));
    EXPECT_FALSE(NothingHeard({broadcast}));
    address.counters.received = 0;
    EXPECT_TRUE(NothingHeard({broadcast, address}));
}

} // namespace
