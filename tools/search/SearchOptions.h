#pragma once

#include <string>
#include <vector>

struct SearchOptions
{
    int seconds = 10;
    bool json = false;
    int expect = 0;  // > 0: stop as soon as the registry holds this many devices
    bool diagnose = false;  // also print what each worker did
};

struct SearchArguments
{
    SearchOptions options;
    bool help = false;
    std::string error;  // not empty: the arguments were refused
};

SearchArguments ParseSearchArguments(const std::vector<std::string>& args);
const char* SearchUsage();
