#pragma once

// Why a search found nothing, in the few causes a user can act on, read from what its workers
// did in the last search (WorkerFacts, copied from the service). The command-line search prints
// these causes in words; the window shows them in the user's language.

#include "discovery/WorkerCounters.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SearchFinding
{
    enum class Cause
    {
        NoQuerySent,    // no worker got a query out: no usable network
        PortTaken,      // a worker could not bind its port (port, reason)
        GroupNotJoined, // the SSDP worker is not in its group (reason)
        NothingHeard,   // queries went out, no device answered: firewall, power, another network
        OtherMakers,    // answers came, from other makers' devices only (count)
        NoneOurs,       // answers came, none of them a device of ours
    };
    Cause cause;
    std::int32_t port = 0;
    std::string reason; // the system's own words for what failed
    std::uint64_t count = 0;
    std::string holder = {}; // the program that holds a taken port, where the system tells
    // A taken port that nothing holds any more when the findings are made: the next search
    // binds it.
    bool freeNow = false;
};

// The causes, most fundamental first. A search that sent nothing has that one cause only.
std::vector<SearchFinding> DiagnoseSearch(const std::vector<WorkerFacts>& workers);
// The findings with the holder of each taken port looked up, as it is now.
std::vector<SearchFinding> WithPortHolders(std::vector<SearchFinding> findings);

// The commands that let the devices' answers through Windows' firewall, one rule for each of
// our two programs in programFolder (the folder that holds both), each scoped to that program's
// file: a rule by port alone would open those ports to every program on the machine. The
// window, the command-line search and the README give this one text.
std::string WindowsFirewallCommands(std::string_view programFolder);
