#pragma once

// Recording stand-ins for the desktop services, shared by the tests of the platform layer and
// of the actions.

#include "platform/DesktopServices.h"

#include <map>
#include <mutex>

// Keeps every URL it is asked to open; safe to call from any thread.
class CRecordingUrlOpener final : public CUrlOpener
{
public:
    void OpenUrl(const std::string& url) override;
    std::vector<std::string> Urls() const;

private:
    mutable std::mutex urlLock;
    std::vector<std::string> urls;
};

// Records what would have run, in order, as readable lines: "start umount /mnt/a",
// "read gio mount -l", "pause 100ms". Starts nothing and never sleeps.
class CRecordingCommandRunner final : public CCommandRunner
{
public:
    void StartDetached(const std::vector<std::string>& argv) override;
    std::optional<std::string> ReadOutput(const std::vector<std::string>& argv) override;
    void Pause(std::chrono::milliseconds duration) override;

    // What ReadOutput answers; nothing means the program could not be run.
    std::optional<std::string> output;
    std::vector<std::string> events;
    std::vector<std::vector<std::string>> started; // exact argument vectors
};

// A fixed set of windows; remembers which ones were asked to close.
class CFakeWindowList final : public CWindowList
{
public:
    std::vector<TopLevelWindow> TopLevelWindows() override;
    void RequestClose(std::uint64_t windowId) override;
    std::vector<std::string> DescendantTexts(std::uint64_t windowId) override;

    std::vector<TopLevelWindow> windows;
    std::map<std::uint64_t, std::vector<std::string>> descendantTexts;
    std::vector<std::uint64_t> closeRequests;
    int nEnumerations = 0;
};

// Fixed lists of connections and mounts.
class CFakeMountTable final : public CMountTable
{
public:
    std::optional<std::vector<std::string>> NetworkConnections() override { return connections; }
    std::vector<KernelShareMount> KernelShareMounts() override { return mounts; }

    std::optional<std::vector<std::string>> connections;
    std::vector<KernelShareMount> mounts;
};
