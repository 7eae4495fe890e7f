// travelkin-devsim: simulated storage devices for the project's test network.

#include "DeviceSimulator.h"
#include "SimulatorOptions.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const SimulatorArguments arguments = ParseSimulatorArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
        std::fputs(SimulatorUsage(), stdout);
        return 0;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr,
                     "travelkin-devsim: %s\n"
                     "usage: travelkin-devsim --first-address A [options]  (--help lists them)\n",
                     arguments.error.c_str());
        return 2;
    }
    const SimulatorOptions& options = arguments.options;
    CDeviceSimulator simulator(options);
    std::string error;
    if (!simulator.Open(error)) {
        std::fprintf(stderr, "travelkin-devsim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "travelkin-devsim: %d device(s) from %s, stopping after %d s\n", options.count,
                 FormatIpv4(options.firstAddress).c_str(), options.seconds);
    simulator.Run();
    std::fprintf(stderr, "travelkin-devsim: %s\n", simulator.Summary().c_str());
    return 0;
}
