#include "devsim/NamespaceAddresses.h"
#include "devsim/SimulatorOptions.h"
#include "search/SearchOptions.h"

#include <gtest/gtest.h>

namespace {

SearchArguments Search(std::vector<std::string> args)
{
    return ParseSearchArguments(args);
}

SimulatorArguments Simulator(std::vector<std::string> args)
{
    args.insert(args.begin(), {"--first-address", "192.0.2.10"});
    return ParseSimulatorArguments(args);
}

TEST(SearchArgumentsTest, AcceptsBothValueForms)
{
    const SearchArguments joined = Search({"--seconds=3", "--json", "--expect=100", "--diagnose"});
    ASSERT_EQ(joined.error, "");
    EXPECT_TRUE(joined.options.diagnose);
    EXPECT_EQ(joined.options.seconds, 3);
    EXPECT_TRUE(joined.options.json);
    EXPECT_EQ(joined.options.expect, 100);

    const SearchArguments separate = Search({"--seconds", "7"});
    ASSERT_EQ(separate.error, "");
    EXPECT_EQ(separate.options.seconds, 7);
    EXPECT_FALSE(separate.options.json);

    const SearchArguments letters =
        Search({"-s", "4", "-j", "-H", "192.0.2.9", "-Hnas.example", "-e2", "--"});
    ASSERT_EQ(letters.error, "");
    EXPECT_EQ(letters.options.seconds, 4);
    EXPECT_TRUE(letters.options.json);
    EXPECT_EQ(letters.options.expect, 2);
    EXPECT_EQ(letters.options.hosts, (std::vector<std::string>{"192.0.2.9", "nas.example"}));

    const SearchArguments watch = Search({"-w", "-i", "5", "--save=a.json"});
    EXPECT_NE(watch.error, ""); // a watch never ends, so it has nothing to save
    EXPECT_TRUE(Search({"-V"}).version);
    EXPECT_TRUE(Search({"-h"}).help);
}

TEST(SearchArgumentsTest, RefusesMalformedInput)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--seconds"},       // value missing
                                               {"--seconds", "5s"}, // trailing garbage
                                               {"--seconds", " 5"}, // blank
                                               {"--seconds", "0"},  // below range
                                               {"--seconds", "99999999999"},
                                               {"--expect", "-3"},
                                               {"--json=yes"}, // flag with a value
                                               {"--diagnose=1"},
                                               {"--verbose"},    // unknown
                                               {"search"},       // positional
                                               {"--", "--json"}, // no options after "--"
                                               {"-x"},           // unknown letter
                                               {"-j5"},          // flag with a value
                                               {"-s"},
                                               {"--interval", "0"},
                                               {"--save="}}) {
        EXPECT_NE(Search(args).error, "") << args.front();
    }
}

TEST(SearchArgumentsTest, FirstErrorIsKept)
{
    const SearchArguments result = Search({"--bogus", "--seconds", "x"});
    EXPECT_NE(result.error.find("--bogus"), std::string::npos);
}

TEST(SimulatorArgumentsTest, NeedsAValidFirstAddress)
{
    EXPECT_NE(ParseSimulatorArguments({"--count", "3"}).error, "");
    for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "192.0.2.x", ""})
        EXPECT_NE(ParseSimulatorArguments({"--first-address", bad}).error, "") << bad;
    // Help needs nothing else.
    EXPECT_TRUE(ParseSimulatorArguments({"--help"}).help);
}

TEST(SimulatorArgumentsTest, ReadsProtocolDelayAndHostileLists)
{
    const SimulatorArguments a =
        Simulator({"--protocol", "ssdp", "--delay", "random", "--hostile", "zero,flood,announce,answers"});
    ASSERT_EQ(a.error, "");
    EXPECT_FALSE(a.options.broadcast);
    EXPECT_TRUE(a.options.ssdp);
    EXPECT_TRUE(a.options.randomDelay);
    EXPECT_EQ(a.options.hostile, kHostileZeroLength | kHostileFlood | kHostileAnnounce | kHostileAnswers);
    EXPECT_EQ(a.options.firstAddress, 0xC000020Au);

    const SimulatorArguments b =
        Simulator({"--delay=250", "--hostile=all", "--answers-to", "192.0.2.255", "--answers-to=192.0.2.1"});
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.options.answerTargets, (std::vector<std::uint32_t>{0xC00002FFu, 0xC0000201u}));
    EXPECT_FALSE(b.options.randomDelay);
    EXPECT_EQ(b.options.delayMs, 250);
    EXPECT_TRUE(b.options.hostile & kHostileFormat);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--protocol", "tcp"},
                                               {"--hostile", "zero,,flood"},
                                               {"--hostile", ""},
                                               {"--delay", "soon"},
                                               {"--answers-to", "192.0.2"},
                                               {"--count", "0"},
                                               {"--count", "65537"}}) {
        EXPECT_NE(Simulator(bad).error, "") << bad.front() << " " << bad.back();
    }
}

TEST(SimulatorArgumentsTest, RefusesAddressesThatRunOffTheEnd)
{
    EXPECT_NE(ParseSimulatorArguments({"--first-address", "255.255.255.250", "--count", "100"}).error, "");
}

TEST(SimulatorAddressesTest, AMissingAddressIsNamedWithTheCommandThatAddsIt)
{
    const std::vector<std::uint32_t> wanted{0xC000020Au, 0xC000020Bu, 0xC000020Cu}; // 192.0.2.10 to .12
    EXPECT_EQ(MissingAddressAdvice(wanted, {0xC000020Au, 0xC000020Bu, 0xC000020Cu}, "tk-7-a"), "");
    EXPECT_EQ(MissingAddressAdvice(wanted, {0xC000020Au}, "tk-e42-c"),
              "192.0.2.11 is not an address of this network namespace (tk-e42-c); add it with: "
              "tools/testnet.sh addrs e42 c 192.0.2.11 2");
    EXPECT_NE(MissingAddressAdvice(wanted, {}, "lab")
                  .find("(lab); add it with: tools/testnet.sh addrs ID ROLE 192.0.2.10 3"),
              std::string::npos);
    EXPECT_NE(MissingAddressAdvice(wanted, {}, "tk-e42-search").find("addrs ID ROLE"), std::string::npos);
}

} // namespace
