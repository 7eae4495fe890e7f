#pragma once

// Set-up for tests of the main window: a search service whose workers open no socket and
// count the searches sent, devices reported to it directly, recording desktop services, and
// a data root with the data folder written for a language.

#include "app/DataFolder.h"
#include "app/VesquorDlg.h"
#include "discovery/SearchDeviceService.h"
#include "platform/support/DesktopFakes.h"

#include <QTemporaryDir>

#include <atomic>
#include <memory>

// How long a test waits for something it expects of the window, in milliseconds: far beyond
// what it takes on a loaded machine, so only a real fault runs into it.
constexpr int kPatienceMs = 30000;

// Opens nothing; counts the searches it is asked to send and the exits.
class SilentWorker : public CSearchDeviceThread
{
public:
    SilentWorker(std::atomic<int>& sendCount, std::atomic<int>& exitCount)
        : sends(sendCount), exits(exitCount)
    {
    }
    void CreateWorkThread() override {}
    void ExitSearchThread() override { ++exits; }
    int SendSearchCommand(const wire::SearchPacket&) override
    {
        ++sends;
        return 0;
    }

private:
    std::atomic<int>& sends;
    std::atomic<int>& exits;
};

class EmptyMountTable : public CMountTable
{
public:
    std::optional<std::vector<std::string>> NetworkConnections() override
    {
        return std::vector<std::string>{};
    }
    std::vector<KernelShareMount> KernelShareMounts() override { return {}; }
};

class FakeSearchService
{
public:
    // Started as start-up starts it, unless the test leaves that to start-up.
    explicit FakeSearchService(bool started = true) : service(Options(sends, exits))
    {
        if (started)
            service.StartSearchService();
    }
    ~FakeSearchService() { service.ExitSearchService(); }

    // An answer from an accepted device.
    void Report(const char* ip, const char* host, const char* product = "NAS", std::int32_t type = 1)
    {
        DeviceRecord device;
        SetDeviceText(device.id, host);
        SetDeviceText(device.ip, ip);
        SetDeviceText(device.host, host);
        SetDeviceText(device.product, product);
        SetDeviceText(device.vendor, "ZANDOVERT");
        device.type = type;
        service.OnDeviceFound(device, 68);
    }
    void Leave(const char* ip, const char* host) { Report(ip, host, "NAS", 4); }

    std::atomic<int> sends{0};
    std::atomic<int> exits{0};
    CSearchDeviceService service;

private:
    static CSearchDeviceService::Options Options(std::atomic<int>& sends, std::atomic<int>& exits)
    {
        CSearchDeviceService::Options options;
        options.localAddresses = [] { return std::vector<std::string>{}; };
        options.makeWorker = [&sends, &exits](CSearchDeviceService::WorkerKind, CDeviceReportSink*) {
            return std::make_unique<SilentWorker>(sends, exits);
        };
        // The window's own sends are counted: no repeats, no network follow-up.
        options.resendDelays = {};
        options.watchNetwork = false;
        return options;
    }
};

struct RecordingDesktop
{
    CRecordingUrlOpener urls;
    CRecordingCommandRunner commands;
    EmptyMountTable mounts;
    CFakeWindowList windows;
    DesktopServices services{urls, commands, mounts, windows};
};

// A data root with the data folder of one language written into it.
class PreparedDataRoot
{
public:
    explicit PreparedDataRoot(int languageIndex = 1)
    {
        prepared = dir.isValid() && CDataFolder(Path(), languageIndex).PrepareDataFolder();
    }
    std::wstring Path() const { return dir.path().toStdWString(); }
    QString LayoutFile() const
    {
        return dir.path() + QStringLiteral("/ZandovertSearchTools/WndLayoutInfo.xml");
    }

    QTemporaryDir dir;
    bool prepared = false;
};
