#include "SearchOptions.h"

#include "common/ArgumentReader.h"

namespace {

const std::map<char, std::string> kShortNames{
    {'h', "--help"},   {'V', "--version"}, {'s', "--seconds"},  {'j', "--json"},
    {'e', "--expect"}, {'w', "--watch"},   {'i', "--interval"}, {'H', "--host"},
};

// Each reader takes the options of one feature and says whether the name was one of them.

bool ReadCommonOption(CArgumentReader& reader, SearchArguments& result)
{
    SearchOptions& o = result.options;
    const std::string& name = reader.Name();
    if (name == "--help")
        result.help = reader.NoValue();
    else if (name == "--version")
        result.version = reader.NoValue();
    else if (name == "--json")
        o.json = reader.NoValue();
    else if (name == "--diagnose")
        o.diagnose = reader.NoValue();
    else if (name == "--seconds")
        reader.TakeInt(o.seconds, 1, 3600);
    else if (name == "--expect")
        reader.TakeInt(o.expect, 1, 1000000);
    else
        return false;
    return true;
}

bool ReadReachOption(CArgumentReader& reader, SearchOptions& o)
{
    if (reader.Name() != "--host")
        return false;
    std::string host;
    if (reader.TakeText(host))
        o.hosts.push_back(host);
    return true;
}

bool ReadWatchOption(CArgumentReader& reader, WatchOptions& watch)
{
    const std::string& name = reader.Name();
    if (name == "--watch")
        watch.enabled = reader.NoValue();
    else if (name == "--interval")
        reader.TakeInt(watch.intervalSeconds, 1, 86400);
    else
        return false;
    return true;
}

bool ReadInventoryOption(CArgumentReader& reader, InventoryOptions& inventory)
{
    const std::string& name = reader.Name();
    std::string* path = name == "--save"      ? &inventory.savePath
                        : name == "--compare" ? &inventory.comparePath
                                              : nullptr;
    if (path == nullptr)
        return false;
    if (reader.TakeText(*path) && path->empty())
        reader.Fail(name + " needs a file name");
    return true;
}

// Options that make no sense together are refused rather than half obeyed.
std::string CheckCombination(const SearchOptions& o)
{
    const bool inventory = !o.inventory.savePath.empty() || !o.inventory.comparePath.empty();
    if (o.watch.enabled && (o.expect > 0 || inventory || o.diagnose))
        return "--watch runs until stopped: it cannot be combined with --expect, --diagnose, --save or "
               "--compare";
    return {};
}

} // namespace

SearchArguments ParseSearchArguments(const std::vector<std::string>& args)
{
    SearchArguments result;
    SearchOptions& o = result.options;
    CArgumentReader reader(args, kShortNames);
    while (reader.Next()) {
        if (!ReadCommonOption(reader, result) && !ReadReachOption(reader, o) &&
            !ReadWatchOption(reader, o.watch) && !ReadInventoryOption(reader, o.inventory))
            reader.Fail("unknown option " + reader.Name());
    }
    result.error = reader.Error();
    if (result.error.empty())
        result.error = CheckCombination(o);
    return result;
}

const char* SearchSynopsis()
{
    return "usage: travelkin-search [-s N] [-j] [-e N] [--diagnose] [-H ADDRESS]... [--save FILE] [--compare "
           "FILE]\n"
           "       travelkin-search --watch [-i N] [-j] [-H ADDRESS]...  (-h explains)";
}

const char* SearchUsage()
{
    return R"(Usage: travelkin-search [options]
       travelkin-search --watch [--interval N] [--json] [--host ADDRESS]...

Searches the local network for storage devices, as the window does: starts the search
service, sends one search through every worker (broadcast query, SSDP search, one SSDP
search per local address) and repeats it after 1 s and 2 s, waits, and prints the
devices found in the order they were first reported. It sends broadcast and
multicast: run it inside the project's test network (tools/testnet.sh) unless you
mean to search your own network.

  -s, --seconds N     how long to wait for answers, 1 to 3600 (default 10)
  -j, --json          print a JSON array of objects with the keys id, ip, host, product,
                      detail, osVersion, vendor, type (1 an answer to the search, 2 an
                      alive announcement) and url ("http://" and the ip) instead of a
                      table
  -e, --expect N      stop as soon as N devices are listed and report on standard error
                      how many milliseconds after the search that was; exit code 1 if
                      the time runs out first
  -H, --host ADDRESS  also search ADDRESS directly (the broadcast query to its port 68,
                      the SSDP search to its port 1900), for a device behind a router or
                      a VPN; ADDRESS is a dotted IPv4 address or a host name, looked up
                      once; may be given more than once
  -w, --watch         run until SIGINT or SIGTERM: search now and every --interval
                      seconds, and print one JSON object a line for every change:
                      {"event": "appeared", "changed" or "gone", "time": UTC with
                      milliseconds, "device": {the keys above}}; a gone line also has
                      "reason": "byebye" (it said so), "expired" (not heard from within
                      the CACHE-CONTROL max-age it announced, taken as 1 s to one day),
                      "missed" (it has not answered two searches in a row) or
                      "displaced" (the list was full, 4096 devices, and a device that
                      answered a search took the place of one only heard announcing
                      itself or answering outside a search)
  -i, --interval N    seconds between the searches of --watch, 1 to 86400 (default 60)
      --save FILE     also write the devices found, each with the time it was last seen,
                      to FILE as JSON (replaced whole, never left half-written)
      --compare FILE  print which devices are new, gone or changed since FILE was saved,
                      instead of the list; FILE itself is left as it is
      --diagnose      also print, per worker, what it bound, the queries it sent and
                      the datagrams it received, dropped (and why) and listed, and when
                      nothing was found, why; with --json, one JSON object with the keys
                      devices and workers
  -h, --help          show this text
  -V, --version       show the version
  --                  end of the options

Whatever a worker could not do (bind, join the group, send) is reported on standard
error, one line each. The diagnostic log (TRAVELKIN_LOG) is echoed to standard error.
On a terminal, a line on standard error tells how long the search takes. SIGINT or
SIGTERM ends the wait early; the devices found so far are printed.
Exit codes: 0 done, 1 --expect not reached, or standard output or the --save file
could not be written, 2 bad arguments, a host name that cannot be looked up, or a
--compare file that is damaged or not one that --save wrote, 3 no query could be sent.
)";
}
