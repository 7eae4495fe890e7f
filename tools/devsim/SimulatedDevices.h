#pragma once

#include "SimulatorOptions.h"
#include "discovery/SearchProtocol.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One simulated device: its own address and the texts it answers with.
struct SimulatedDevice
{
    std::uint32_t address = 0; // host byte order
    wire::SsdpDevice texts;    // uuid doubles as the broadcast "id="
};

// The 148-byte broadcast answer with "id=..&host=..&vendor=..&product=..", as bytes.
std::string BroadcastAnswerBytes(const wire::SsdpDevice& texts);

// Replaces every "%d" by the index; every other character, '%' included, stays as it is.
std::string ExpandPattern(std::string_view pattern, int index);

// count addresses from first, skipping those that end in .0 or .255.
std::vector<std::uint32_t> DeviceAddresses(std::uint32_t first, int count);

std::vector<SimulatedDevice> MakeDevices(const SimulatorOptions& options);
