#pragma once

#include <string>
#include <vector>

// --watch: a search now and every interval, and a line for every change of the registry.
struct WatchOptions
{
    bool enabled = false;
    int intervalSeconds = 60;
};

// --save and --compare: the devices found, kept in a file between runs.
struct InventoryOptions
{
    std::string savePath;
    std::string comparePath;
};

struct SearchOptions
{
    int seconds = 10;
    bool json = false;
    int expect = 0;                 // > 0: stop as soon as the registry holds this many devices
    bool diagnose = false;          // also print what each worker did
    std::vector<std::string> hosts; // --host: also searched directly, as given (not resolved)
    WatchOptions watch;
    InventoryOptions inventory;
};

struct SearchArguments
{
    SearchOptions options;
    bool help = false;
    bool version = false;
    std::string error; // not empty: the arguments were refused
};

SearchArguments ParseSearchArguments(const std::vector<std::string>& args);
const char* SearchUsage();
// The one-line reminder printed after an argument error.
const char* SearchSynopsis();
