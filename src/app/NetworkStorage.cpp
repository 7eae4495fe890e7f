#include "app/NetworkStorage.h"

#include "app/DeviceAddress.h"
#include "discovery/DottedIPv4.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

// Window classes of the desktops' file browsers; either half of a window's class hint may
// name one, in any letter case ("nautilus", "Org.gnome.Nautilus", "Thunar", ...).
constexpr std::array<std::string_view, 8> kFileBrowserClasses = {
    "nautilus", "org.gnome.nautilus", "dolphin", "thunar", "nemo", "caja", "pcmanfm", "pcmanfm-qt"};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool NamesFileBrowser(std::string_view className)
{
    return std::ranges::any_of(kFileBrowserClasses,
                               [className](std::string_view name) { return EqualsNoCase(className, name); });
}

bool IsFileBrowser(const CWindowList::TopLevelWindow& window)
{
    return NamesFileBrowser(window.strInstance) || NamesFileBrowser(window.strClass);
}

// The one place that decides how a file-browser window shows where it is. Systems of version
// code 13 show it only in a descendant window; GetOSVersionCode is 0 on Linux, whose file
// browsers draw their location bar themselves, so the title is the text to read: it names
// the share ("share on 192.0.2.5"), the server, or the smb URL of the folder.
bool WindowShowsHost(const CWindowList::TopLevelWindow& window, std::string_view host)
{
    return TitleShowsHost(window.strTitle, host);
}

} // namespace

std::string ShareRootOf(const std::string& ip)
{
    return "smb://" + ip + "/";
}

int GetOSVersionCode()
{
    return 0;
}

void OpenMyStorage(const std::optional<std::string>& selectedIp, DesktopServices& services,
                   CNetStorageHelper& helper, std::stop_token stop)
{
    if (!selectedIp || !IsDottedIPv4(*selectedIp))
        return;
    const std::string& ip = *selectedIp;
    const std::string shareRoot = ShareRootOf(ip);
    CloseExplorerWindows(shareRoot, services.windows);
    if (stop.stop_requested())
        return;
    DeleteNetConnections(ip, services.mounts, services.commands, stop);
    std::vector<MappedDrive> drives;
    if (!stop.stop_requested())
        FindMappedDrives(ip, drives, services.mounts);
    DeleteMappedDrives(drives, services.commands, stop);
    if (!stop.stop_requested())
        helper.OpenStorageFolder(shareRoot, services.urlOpener);
}

void CloseExplorerWindows(const std::string& shareRoot, CWindowList& windows)
{
    const std::string_view host = ShareHost(shareRoot);
    if (host.empty())
        return;
    for (const CWindowList::TopLevelWindow& window : windows.TopLevelWindows()) {
        if (IsFileBrowser(window) && WindowShowsHost(window, host))
            windows.RequestClose(window.nId);
    }
}

bool DeleteNetConnections(const std::string& ip, CMountTable& mounts, CCommandRunner& runner,
                          std::stop_token stop)
{
    const std::optional<std::vector<std::string>> connections = mounts.NetworkConnections();
    if (!connections)
        return false;
    for (const std::string& remoteName : *connections) {
        if (ShareIsOnHost(remoteName, ip) && !stop.stop_requested())
            RunHiddenCommand({"gio", "mount", "-u", remoteName}, runner);
    }
    return true;
}

void FindMappedDrives(const std::string& ip, std::vector<MappedDrive>& drives, CMountTable& mounts)
{
    drives.clear();
    for (const KernelShareMount& mount : mounts.KernelShareMounts()) {
        if (ShareIsOnHost(mount.strSource, ip))
            drives.push_back({mount.strMountPoint, mount.strSource});
    }
    // Drive letters were walked from the last one down; mount points go the same way.
    std::ranges::stable_sort(drives, std::ranges::greater{}, &MappedDrive::strDriveName);
}

void DeleteMappedDrives(std::vector<MappedDrive>& drives, CCommandRunner& runner, std::stop_token stop)
{
    for (const MappedDrive& drive : drives) {
        // Only an absolute path goes to umount, so no mount point can pass for an option.
        if (drive.strDriveName.starts_with('/') && !stop.stop_requested())
            RunHiddenCommand({"umount", drive.strDriveName}, runner);
    }
    drives.clear();
}

void RunHiddenCommand(const std::vector<std::string>& argv, CCommandRunner& runner)
{
    runner.StartDetached(argv);
    runner.Pause(kCommandPause);
}
