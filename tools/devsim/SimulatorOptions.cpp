#include "SimulatorOptions.h"

#include "common/ArgumentReader.h"
#include "discovery/DottedIPv4.h"

#include <boost/asio/ip/address_v4.hpp>

#include <array>
#include <charconv>
#include <sstream>
#include <string_view>

namespace {

constexpr int kMaxDevices = 65536;

const std::map<char, std::string> kShortNames{
    {'h', "--help"},    {'V', "--version"},  {'a', "--first-address"}, {'c', "--count"},
    {'s', "--seconds"}, {'p', "--protocol"}, {'d', "--delay"},
};

struct HostileName
{
    std::string_view name;
    unsigned kinds;
};

constexpr std::array<HostileName, 8> kHostileNames{{
    {"zero", kHostileZeroLength},
    {"oversized", kHostileOversized},
    {"binary", kHostileBinary},
    {"format", kHostileFormat},
    {"flood", kHostileFlood},
    {"announce", kHostileAnnounce},
    {"answers", kHostileAnswers},
    {"all", kHostileZeroLength | kHostileOversized | kHostileBinary | kHostileFormat | kHostileFlood},
}};

bool ParseHostileList(const std::string& list, unsigned& kinds)
{
    std::istringstream items(list);
    std::string item;
    kinds = kHostileNone;
    while (std::getline(items, item, ',')) {
        bool known = false;
        for (const HostileName& entry : kHostileNames) {
            if (item == entry.name) {
                kinds |= entry.kinds;
                known = true;
            }
        }
        if (!known)
            return false;
    }
    return kinds != kHostileNone;
}

bool ParseProtocol(const std::string& name, SimulatorOptions& options)
{
    options.broadcast = name == "broadcast" || name == "both";
    options.ssdp = name == "ssdp" || name == "both";
    return options.broadcast || options.ssdp;
}

void TakeAddress(CArgumentReader& reader, std::uint32_t& address)
{
    std::string text;
    if (reader.TakeText(text) && !ParseIpv4(text, address))
        reader.Fail(reader.Name() + " takes a dotted IPv4 address, not '" + text + "'");
}

void TakeDelay(CArgumentReader& reader, SimulatorOptions& options)
{
    std::string text;
    if (!reader.TakeText(text))
        return;
    options.randomDelay = text == "random";
    if (!options.randomDelay && !ParseInt(text, 0, 60000, options.delayMs))
        reader.Fail("--delay takes milliseconds (0 to 60000) or 'random', not '" + text + "'");
}

// Any number, so a test can forge one out of bounds (0, negative, beyond one day).
void TakeMaxAge(CArgumentReader& reader, std::int64_t& maxAge)
{
    std::string text;
    if (!reader.TakeText(text))
        return;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), maxAge);
    if (error != std::errc() || end != text.data() + text.size())
        reader.Fail("--max-age takes a whole number of seconds, not '" + text + "'");
}

void ReadOption(CArgumentReader& reader, SimulatorArguments& result)
{
    SimulatorOptions& o = result.options;
    const std::string& name = reader.Name();
    std::string text;
    if (name == "--help")
        result.help = reader.NoValue();
    else if (name == "--version")
        result.version = reader.NoValue();
    else if (name == "--count")
        reader.TakeInt(o.count, 1, kMaxDevices);
    else if (name == "--first-address")
        TakeAddress(reader, o.firstAddress);
    else if (name == "--first-index")
        reader.TakeInt(o.firstIndex, 0, 1000000);
    else if (name == "--id")
        reader.TakeText(o.idPattern);
    else if (name == "--host")
        reader.TakeText(o.hostPattern);
    else if (name == "--vendor")
        reader.TakeText(o.vendorPattern);
    else if (name == "--product")
        reader.TakeText(o.productPattern);
    else if (name == "--detail")
        reader.TakeText(o.detailPattern);
    else if (name == "--os-version")
        reader.TakeText(o.osVersion);
    else if (name == "--protocol") {
        if (reader.TakeText(text) && !ParseProtocol(text, o))
            reader.Fail("--protocol takes broadcast, ssdp or both, not '" + text + "'");
    } else if (name == "--max-age")
        TakeMaxAge(reader, o.maxAge);
    else if (name == "--no-notify")
        o.notify = !reader.NoValue();
    else if (name == "--log-queries")
        o.logQueries = reader.NoValue();
    else if (name == "--delay")
        TakeDelay(reader, o);
    else if (name == "--hostile") {
        if (reader.TakeText(text) && !ParseHostileList(text, o.hostile))
            reader.Fail("--hostile takes a comma-separated list of zero, oversized, binary, format, "
                        "flood, all, announce, answers; not '" +
                        text + "'");
    } else if (name == "--answers-to") {
        std::uint32_t target = 0;
        TakeAddress(reader, target);
        o.answerTargets.push_back(target);
    } else if (name == "--flood-count")
        reader.TakeInt(o.floodCount, 1, 1000000);
    else if (name == "--seconds")
        reader.TakeInt(o.seconds, 1, 86400);
    else
        reader.Fail("unknown option " + name);
}

bool AddressesFit(const SimulatorOptions& o)
{
    // Each device needs its own address; stay below 255.255.255.255 and skip .0/.255 endings.
    const std::uint64_t span = static_cast<std::uint64_t>(o.count) * 256 / 254 + 2;
    return o.firstAddress != 0 && o.firstAddress + span <= 0xFFFFFFFFull;
}

} // namespace

SimulatorArguments ParseSimulatorArguments(const std::vector<std::string>& args)
{
    SimulatorArguments result;
    CArgumentReader reader(args, kShortNames);
    while (reader.Next())
        ReadOption(reader, result);
    result.error = reader.Error();
    if (result.error.empty() && !result.help && !result.version && !AddressesFit(result.options))
        result.error = "--first-address is required (the address of the first device)";
    return result;
}

bool ParseIpv4(const std::string& text, std::uint32_t& address)
{
    const auto parsed = ParseDottedIPv4(text);
    if (!parsed)
        return false;
    address = parsed->to_uint();
    return true;
}

std::string FormatIpv4(std::uint32_t address)
{
    return boost::asio::ip::address_v4(address).to_string();
}

const char* SimulatorUsage()
{
    return R"(Usage: travelkin-devsim --first-address A [options]

Simulates storage devices that answer the broadcast query (UDP port 68) and the SSDP
M-SEARCH on 239.143.255.250:1900, and announce themselves with NOTIFY alive/byebye.
Device i answers from its own address: A, then the following addresses, skipping those
that end in .0 or .255 (give the namespace these addresses first). Run it only inside
the project's test network (tools/testnet.sh).

  -a, --first-address A address of the first device (required); every device's
                        address must already be one of the namespace's (the
                        simulator refuses to start otherwise and names the
                        "tools/testnet.sh addrs" command that adds them)
  -c, --count N         number of devices, 1 to 65536 (default 1)
  --first-index N       index of the first device, for "%d" in texts (default 0)
  --id TEXT             device id and SSDP uuid (default "dev%d")
  --host TEXT           host name (default "disk%d")
  --vendor TEXT         vendor (default "ZANDOVERT")
  --product TEXT        product (default "NAS")
  --detail TEXT         fourth item of the SSDP product token (default empty)
  --os-version TEXT     version in the SSDP SERVER header (default "1.0")
                        In these texts "%d" stands for the device's index; nothing else
                        is special.
  -p, --protocol P      broadcast, ssdp or both (default both)
  --max-age N           CACHE-CONTROL max-age of the SSDP answers and announcements,
                        in seconds, any whole number (default 1800); the NOTIFY alive
                        is sent again every third of it (at least every second)
  --no-notify           send no NOTIFY alive at start and no byebye at exit
  --log-queries         print the wall-clock time of each query answered on stderr
  -d, --delay MS|random answer after MS milliseconds, or after a random time from 0 to
                        the query's MX seconds (3 s for the broadcast query); default 0
  --hostile LIST        also reply to every query with hostile traffic; LIST is a
                        comma-separated choice of zero, oversized, binary, format, flood,
                        all; or announce: the devices answer no query and send their
                        NOTIFY alive again every second (forged announcers); or answers:
                        the devices answer no query and send answers nobody asked for
                        every second, an SSDP "HTTP/1.1 200 OK" to the group and a
                        broadcast answer to 255.255.255.255 port 67 (forged answerers)
  --answers-to A        forged answers also go to address A, to its ports 1900 and 67
                        (a subnet's broadcast address, a searcher's own); repeatable
  --flood-count N       forged devices sent by the flood (default 10000)
  -s, --seconds N       stop after N seconds (default 30); SIGINT/SIGTERM stop it earlier
  -h, --help            show this text
  -V, --version         show the version
  --                    end of the options

Exit codes: 0 after a normal stop, 1 when the sockets cannot be set up or a device
address is missing from the namespace, or standard output cannot be written, 2 for bad
arguments.
)";
}
