#include "SearchOptions.h"

#include "common/ArgumentReader.h"

SearchArguments ParseSearchArguments(const std::vector<std::string>& args)
{
    SearchArguments result;
    SearchOptions& o = result.options;
    CArgumentReader reader(args);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (name == "--help")
            result.help = reader.NoValue();
        else if (name == "--json")
            o.json = reader.NoValue();
        else if (name == "--diagnose")
            o.diagnose = reader.NoValue();
        else if (name == "--seconds")
            reader.TakeInt(o.seconds, 1, 3600);
        else if (name == "--expect")
            reader.TakeInt(o.expect, 1, 1000000);
        else
            reader.Fail("unknown option " + name);
    }
    result.error = reader.Error();
    return result;
}

const char* SearchUsage()
{
    return R"(Usage: travelkin-search [--seconds N] [--json] [--expect N] [--diagnose]

Searches the local network for storage devices, as the window does: starts the search
service, sends one search through every worker (broadcast query, SSDP search, one SSDP
search per local address) and repeats it after 1 s and 2 s, waits, and prints the
devices found in the order they were first reported. It sends broadcast and
multicast: run it inside the project's test network (tools/testnet.sh) unless you
mean to search your own network.

  --seconds N   how long to wait for answers, 1 to 3600 (default 10)
  --json        print a JSON array of objects with the keys id, ip, host, product,
                detail, osVersion, vendor and type instead of a table
  --expect N    stop as soon as N devices are listed and report on standard error how
                many milliseconds after the search that was; exit code 1 if the time
                runs out first
  --diagnose    also print, per worker, what it bound, the queries it sent and the
                datagrams it received, dropped (and why) and listed; with --json, one
                JSON object with the keys devices and workers
  --help        show this text

Whatever a worker could not do (bind, join the group, send) is reported on standard
error, one line each. The diagnostic log (TRAVELKIN_LOG) is echoed to standard error.
SIGINT or SIGTERM ends the wait early; the devices found so far are printed.
Exit codes: 0 done, 1 --expect not reached, 2 bad arguments, 3 no query could be sent.
)";
}
