// Memory of a long watch: drives the search service and the watch's session with fake
// reports, a device appearing and going (by byebye, or silent for three searches) per cycle,
// and prints the resident set size after 0, 1000 and 10000 cycles. A watch that runs for an
// hour at the default interval sees far fewer changes than 1000 cycles make.
// Usage: bench_watch_memory

#include "search/ChangeFormat.h"
#include "search/SearchSession.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A worker with no socket and no thread: only the service's own work is measured.
class QuietWorker : public CSearchDeviceThread
{
public:
    void CreateWorkThread() override {}
    void ExitSearchThread() override {}
};

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

DeviceRecord Device(int cycle, std::int32_t type)
{
    DeviceRecord device;
    SetDeviceText(device.id, "dev" + std::to_string(cycle % 200));
    SetDeviceText(device.ip,
                  "198.19." + std::to_string(cycle % 200 / 100) + "." + std::to_string(cycle % 100 + 1));
    SetDeviceText(device.host, "disk" + std::to_string(cycle));
    SetDeviceText(device.vendor, "ZANDOVERT");
    SetDeviceText(device.product, "NAS");
    device.type = type;
    return device;
}

// One device appears and goes: every other one by byebye, the rest by missing searches.
void Cycle(CSearchDeviceService& service, int cycle)
{
    service.OnDeviceFound(Device(cycle, 1), 1900);
    if (cycle % 2 == 0) {
        service.OnDeviceFound(Device(cycle, 4), 1900);
        return;
    }
    for (int search = 0; search < 3; ++search)
        service.Registry().Age(2);
}

} // namespace

int main()
{
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{}; };
    options.makeWorker = [](CSearchDeviceService::WorkerKind, CDeviceReportSink*) {
        return std::make_unique<QuietWorker>();
    };
    CSearchDeviceService service(options);
    CSearchSession session(service);
    std::size_t printed = 0;
    session.OnChange([&](const RegistryChange& change) { printed += FormatWatchEvent(change).size(); });
    service.StartSearchService();

    std::printf("cycles  RSS kB  lines' bytes\n");
    std::printf("%6d  %6ld  %zu\n", 0, ResidentKilobytes(), printed);
    int done = 0;
    for (const int until : {1000, 10000}) {
        for (; done < until; ++done) {
            Cycle(service, done);
            if (done % 100 == 99) { // the watch's thread drains what the workers posted
                session.After(std::chrono::seconds(0), [&] { session.Stop(); });
                session.Run();
            }
        }
        std::printf("%6d  %6ld  %zu\n", done, ResidentKilobytes(), printed);
    }
    service.ExitSearchService();
    return 0;
}
