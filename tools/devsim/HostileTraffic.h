#pragma once

#include <random>
#include <string>
#include <vector>

// Payloads a hostile or broken device sends in reply to one query. Kinds are HostileKind
// bits; ssdpChannel chooses whether forged answers look like SSDP answers or like 148-byte
// broadcast answers.
struct HostilePayload
{
    std::string bytes;
    int delayMs = 0;
};

std::vector<HostilePayload> MakeHostileTraffic(unsigned kinds, bool ssdpChannel, int floodCount,
                                               std::mt19937& random);

// Forged device texts use this vendor so that they pass a searcher's vendor filter.
inline constexpr const char* kHostileVendor = "ZANDOVERT";
