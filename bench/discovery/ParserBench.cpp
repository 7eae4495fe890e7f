// Parse cost of one device answer (one datagram per iteration) on the receive thread, with the log off (its
// normal state). Two devices alternate so each datagram is a new report, not a suppressed repeat.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "discovery/DiagnosticLog.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMulticastThread.h"
#include "discovery/SearchDeviceService.h"

namespace {

class CountingSink : public CDeviceReportSink
{
public:
    void OnDeviceFound(const DeviceRecord& device, std::int32_t) override
    {
        reports += device.type;
        benchmark::DoNotOptimize(reports);
    }
    long reports = 0;
};

// A datagram as the receive loop hands it over: the bytes and a zero after them.
std::vector<char> Area(const std::string& bytes)
{
    std::vector<char> area(bytes.begin(), bytes.end());
    area.push_back('\0');
    return area;
}

std::vector<char> SsdpAnswer(const char* uuid, const char* host)
{
    wire::SsdpDevice device{uuid, "198.18.3.7", "ZANDOVERT", host, "NAS", "1.2", "1.0"};
    return Area(wire::FormatSsdpAnswer(device));
}

std::vector<char> BroadcastAnswer(const char* id)
{
    const auto packet =
        wire::MakeBroadcastAnswer(1, std::string("id=") + id + "&host=mydisk&vendor=Zandovert&product=NAS");
    return Area(std::string(packet.begin(), packet.end()));
}

template <typename Worker>
void Run(benchmark::State& state, const std::vector<char>& a, const std::vector<char>& b,
         CDeviceReportSink* into = nullptr)
{
    ClearLogSettings();
    CountingSink counting;
    CDeviceReportSink& sink = into == nullptr ? counting : *into;
    Worker worker(&sink);
    const std::vector<char>* next[2] = {&a, &b};
    std::size_t turn = 0;
    for (auto _ : state) {
        const std::vector<char>& area = *next[turn ^= 1];
        worker.HandleRecvInfo(area.data(), area.size() - 1, "198.18.3.7");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["reports"] = static_cast<double>(counting.reports);
}

void BM_SsdpAnswerParse(benchmark::State& state)
{
    Run<CSearchDeviceMulticastThread>(state, SsdpAnswer("4d2b-0001", "disk-a"),
                                      SsdpAnswer("4d2b-0002", "disk-b"));
}

void BM_BroadcastAnswerParse(benchmark::State& state)
{
    Run<CSearchDeviceBroadcastThread>(state, BroadcastAnswer("A1"), BroadcastAnswer("A2"));
}

// The whole path of an answer after the receive: parse, report, vendor filter, registry.
void BM_SsdpAnswerIntoRegistry(benchmark::State& state)
{
    CSearchDeviceService service{CSearchDeviceService::Options{}};
    Run<CSearchDeviceMulticastThread>(state, SsdpAnswer("4d2b-0001", "disk-a"),
                                      SsdpAnswer("4d2b-0002", "disk-b"), &service);
}

} // namespace

BENCHMARK(BM_SsdpAnswerParse);
BENCHMARK(BM_SsdpAnswerIntoRegistry);
BENCHMARK(BM_BroadcastAnswerParse);
BENCHMARK_MAIN();
