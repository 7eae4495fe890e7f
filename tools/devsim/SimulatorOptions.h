#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Kinds of hostile traffic the simulator can send in reply to every query it hears.
enum HostileKind : unsigned
{
    kHostileNone = 0,
    kHostileZeroLength = 1u << 0, // empty datagrams
    kHostileOversized = 1u << 1,  // datagrams longer than a receive area
    kHostileBinary = 1u << 2,     // random bytes of random lengths
    kHostileFormat = 1u << 3,     // accepted answers whose texts carry "%s%n"
    kHostileFlood = 1u << 4,      // many forged devices, each with its own address text
    kHostileAnnounce = 1u << 5,   // the devices answer no query and announce themselves every second
    kHostileAnswers = 1u << 6, // the devices answer no query and send answers nobody asked for every second
};

// What the simulator was asked to do; texts may carry "%d" for the device's index.
struct SimulatorOptions
{
    int count = 1;
    std::uint32_t firstAddress = 0; // host byte order
    int firstIndex = 0;
    std::string idPattern = "dev%d";
    std::string hostPattern = "disk%d";
    std::string vendorPattern = "ZANDOVERT";
    std::string productPattern = "NAS";
    std::string detailPattern;
    std::string osVersion = "1.0";
    bool broadcast = true;
    bool ssdp = true;
    bool notify = true;
    bool logQueries = false; // a stderr line with the wall-clock time of each query answered
    // CACHE-CONTROL max-age of the SSDP texts; a third of it is the pause between alive
    // announcements, so a listener hears one well before the age runs out.
    std::int64_t maxAge = 1800;
    int delayMs = 0;
    bool randomDelay = false; // 0..MX seconds (3 s for the broadcast query)
    unsigned hostile = kHostileNone;
    // Where forged answers go besides the group and 255.255.255.255 (host byte order).
    std::vector<std::uint32_t> answerTargets;
    int floodCount = 10000;
    int seconds = 30;
};

struct SimulatorArguments
{
    SimulatorOptions options;
    bool help = false;
    bool version = false;
    std::string error; // not empty: the arguments were refused
};

SimulatorArguments ParseSimulatorArguments(const std::vector<std::string>& args);
const char* SimulatorUsage();

// "1.2.3.4" in host byte order; false for anything else.
bool ParseIpv4(const std::string& text, std::uint32_t& address);
std::string FormatIpv4(std::uint32_t address);
