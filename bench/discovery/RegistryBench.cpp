// Cost of one device report in the search service's registry (its one lock, log off), with
// the registry holding 4 or 4,096 devices. The reported device is the last one listed, so
// a walk through the list would meet every other entry first.
#include <benchmark/benchmark.h>

#include <string>

#include "discovery/DiagnosticLog.h"
#include "discovery/SearchDeviceService.h"

namespace {

DeviceRecord Device(std::size_t n, std::int32_t type = wire::kReportAnswer, const char* host = "disk")
{
    DeviceRecord device;
    const std::string ip = "198.18." + std::to_string(n / 256) + "." + std::to_string(n % 256);
    SetDeviceText(device.id, std::to_string(10000000 + n) + "-7c1e-4000-8000-4d2b00000000");
    SetDeviceText(device.ip, ip);
    SetDeviceText(device.host, host);
    SetDeviceText(device.product, "NAS");
    SetDeviceText(device.vendor, "ZANDOVERT");
    device.type = type;
    return device;
}

// A service without workers whose registry holds `count` devices.
class FilledRegistry
{
public:
    explicit FilledRegistry(std::size_t count)
    {
        ClearLogSettings();
        for (std::size_t n = 0; n < count; ++n)
            service.OnDeviceFound(Device(n), 1900);
    }
    CSearchDeviceService service{CSearchDeviceService::Options{}};
};

std::size_t Listed(benchmark::State& state)
{
    return static_cast<std::size_t>(state.range(0));
}

// The same answer again: found and refreshed.
void BM_ReportRepeat(benchmark::State& state)
{
    FilledRegistry registry(Listed(state));
    const DeviceRecord repeat = Device(Listed(state) - 1);
    for (auto _ : state)
        registry.service.OnDeviceFound(repeat, 1900);
    state.SetItemsProcessed(state.iterations());
}

// The device at a known address changed its host name: replaced in place.
void BM_ReportChanged(benchmark::State& state)
{
    FilledRegistry registry(Listed(state));
    const DeviceRecord versions[2] = {Device(Listed(state) - 1, wire::kReportAnswer, "disk-a"),
                                      Device(Listed(state) - 1, wire::kReportAnswer, "disk-b")};
    std::size_t turn = 0;
    for (auto _ : state)
        registry.service.OnDeviceFound(versions[turn ^= 1], 1900);
    state.SetItemsProcessed(state.iterations());
}

// A new device appears and says goodbye: one append and one removal per iteration.
void BM_ReportAliveThenByebye(benchmark::State& state)
{
    FilledRegistry registry(Listed(state) - 1);
    const DeviceRecord alive = Device(Listed(state) - 1, wire::kReportAlive);
    const DeviceRecord byebye = Device(Listed(state) - 1, wire::kReportByebye);
    for (auto _ : state) {
        registry.service.OnDeviceFound(alive, 1900);
        registry.service.OnDeviceFound(byebye, 1900);
    }
    state.SetItemsProcessed(2 * state.iterations());
}

} // namespace

BENCHMARK(BM_ReportRepeat)->Arg(4)->Arg(4096);
BENCHMARK(BM_ReportChanged)->Arg(4)->Arg(4096);
BENCHMARK(BM_ReportAliveThenByebye)->Arg(4)->Arg(4096);
BENCHMARK_MAIN();
