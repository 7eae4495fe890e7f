// How long the window's thread stalls while My Storage runs, offscreen and without any
// network: the search workers open no socket, the device is reported to the registry
// directly, and the desktop services are the real ones, so the `gio` found first on PATH
// is the one the action runs (bench/storage_stall.sh puts one there that hangs).
//
//   bench_storage_stall [SECONDS] [REQUESTS]
//
// A 2 ms heartbeat timer on the window's thread records the longest gap between two beats
// while the requests run; the figure printed is that gap less the heartbeat period.

#include "app/DataFolder.h"
#include "app/VesquorDlg.h"
#include "discovery/SearchDeviceService.h"
#include "platform/DesktopServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kBeatMs = 2;

class SilentWorker : public CSearchDeviceThread
{
public:
    void CreateWorkThread() override {}
    void ExitSearchThread() override {}
    int SendSearchCommand(const wire::SearchPacket&) override { return 0; }
};

CSearchDeviceService::Options NoNetwork()
{
    CSearchDeviceService::Options options;
    options.localAddresses = [] { return std::vector<std::string>{}; };
    options.makeWorker = [](CSearchDeviceService::WorkerKind, CDeviceReportSink*) {
        return std::make_unique<SilentWorker>();
    };
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 8;
    const int requests = argc > 2 ? std::atoi(argv[2]) : 3;

    QTemporaryDir dataRoot;
    qputenv("TRAVELKIN_DATA_ROOT", QFile::encodeName(dataRoot.path()));
    CSearchDeviceService search(NoNetwork());
    search.StartSearchService();
    if (!CDataFolder(dataRoot.path().toStdWString(), 1).PrepareDataFolder()) {
        std::fprintf(stderr, "the data folder could not be written\n");
        return 2;
    }
    {
        CVesquorDlg window(
            SearchWindowServices{search, SystemDesktopServices(), dataRoot.path().toStdWString()});
        window.show();
        DeviceRecord device;
        SetDeviceText(device.ip, "192.0.2.10");
        SetDeviceText(device.host, "disk");
        SetDeviceText(device.vendor, "ZANDOVERT");
        device.type = 1;
        search.OnDeviceFound(device, 68);
        window.OnWaitTimer();
        auto* list = qobject_cast<QTreeWidget*>(window.FindListCtrl(IDC_DEVICE_LIST));
        if (!list || list->topLevelItemCount() == 0) {
            std::fprintf(stderr, "the window did not list the device\n");
            return 2;
        }
        list->topLevelItem(0)->setSelected(true);

        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        heartbeat.start(kBeatMs);
        clock.start();
        for (int request = 0; request < requests; ++request)
            QTimer::singleShot(100 * request, &window, [&window] { window.OnMyStorage(); });
        QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
        app.exec();
        heartbeat.stop();
        std::printf("my-storage requests %d, run %d s, longest stall of the window's thread %.1f ms\n",
                    requests, seconds, static_cast<double>(longest) / 1e6 - kBeatMs);
        std::fflush(stdout);
    }
    search.ExitSearchService();
    return 0;
}
