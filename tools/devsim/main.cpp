// travelkin-devsim: simulated storage devices for the project's test network.

#include "DeviceSimulator.h"
#include "NamespaceAddresses.h"
#include "SimulatedDevices.h"
#include "SimulatorOptions.h"
#include "common/ToolOutput.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kProgram = "travelkin-devsim";

int Simulate(const SimulatorOptions& options)
{
    const std::string advice = MissingAddressAdvice(DeviceAddresses(options.firstAddress, options.count),
                                                    NamespaceAddresses(), NamespaceName());
    if (!advice.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, advice.c_str());
        return 1;
    }
    CDeviceSimulator simulator(options);
    std::string error;
    if (!simulator.Open(error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%s: %d device(s) from %s, stopping after %d s\n", kProgram, options.count,
                 FormatIpv4(options.firstAddress).c_str(), options.seconds);
    simulator.Run();
    std::fprintf(stderr, "%s: %s\n", kProgram, simulator.Summary().c_str());
    return 0;
}

int Run(const SimulatorArguments& arguments)
{
    if (arguments.help) {
        std::fputs(SimulatorUsage(), stdout);
        return 0;
    }
    if (arguments.version) {
        PrintVersion(kProgram);
        return 0;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\nusage: %s --first-address A [options]  (-h lists them)\n", kProgram,
                     arguments.error.c_str(), kProgram);
        return 2;
    }
    return Simulate(arguments.options);
}

} // namespace

int main(int argc, char** argv)
{
    if (!CheckStandardOutput(kProgram))
        return 1;
    const int status = Run(ParseSimulatorArguments(std::vector<std::string>(argv + 1, argv + argc)));
    return CloseStandardOutput(kProgram) ? status : 1;
}
