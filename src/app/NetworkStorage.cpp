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

// The Windows file browser's top-level window class, matched exactly.
constexpr std::string_view kExplorerClass = "CabinetWClass";

// From this version code on, the Windows file browser shows its folder only in a descendant
// window (its address bar), not in its title.
constexpr int kFolderInDescendantsCode = 13;

bool IsFileBrowser(const CWindowList::TopLevelWindow& window, ShareStyle style)
{
    if (style == ShareStyle::Unc)
        return window.strClass == kExplorerClass;
    return NamesFileBrowser(window.strInstance) || NamesFileBrowser(window.strClass);
}

// The one place that decides how a file-browser window shows where it is. The desktops' own
// file browsers draw their location bar themselves, so their title is the text to read: it
// names the share ("share on 192.0.2.5"), the server, or the smb URL of the folder. The
// Windows file browser shows the share root in its title, or on later systems only in a
// descendant window.
bool WindowShowsDevice(const CWindowList::TopLevelWindow& window, const std::string& shareRoot,
                       CWindowList& windows, ShareStyle style, int osVersionCode)
{
    if (style == ShareStyle::SmbUrl)
        return TitleShowsHost(window.strTitle, ShareHost(shareRoot));
    if (osVersionCode != kFolderInDescendantsCode)
        return TextShowsShareRoot(window.strTitle, shareRoot);
    return std::ranges::any_of(windows.DescendantTexts(window.nId),
                               [&](const std::string& text) { return TextShowsShareRoot(text, shareRoot); });
}

std::vector<std::string> DisconnectCommand(const std::string& remoteName, ShareStyle style)
{
    if (style == ShareStyle::Unc)
        return {"net", "use", remoteName, "/del", "/y"};
    return {"gio", "mount", "-u", remoteName};
}

// Nothing for a name the command could take for something else: only an absolute path goes
// to umount, so no mount point can pass for an option; a drive name must not be empty.
std::optional<std::vector<std::string>> DriveRemovalCommand(const std::string& driveName, ShareStyle style)
{
    if (style == ShareStyle::Unc) {
        if (driveName.empty())
            return std::nullopt;
        return std::vector<std::string>{"net", "use", driveName, "/del", "/y"};
    }
    if (!driveName.starts_with('/'))
        return std::nullopt;
    return std::vector<std::string>{"umount", driveName};
}

} // namespace

std::string ShareRootOf(const std::string& ip, ShareStyle style)
{
    return style == ShareStyle::Unc ? "\\\\" + ip : "smb://" + ip + "/";
}

void OpenMyStorage(const std::optional<std::string>& selectedIp, DesktopServices& services,
                   CNetStorageHelper& helper, std::stop_token stop)
{
    if (!selectedIp || !IsDottedIPv4(*selectedIp))
        return;
    const std::string& ip = *selectedIp;
    const std::string shareRoot = ShareRootOf(ip, services.shareStyle);
    CloseExplorerWindows(shareRoot, services.windows, services.shareStyle, services.osVersionCode);
    if (stop.stop_requested())
        return;
    DeleteNetConnections(ip, services, stop);
    std::vector<MappedDrive> drives;
    if (!stop.stop_requested())
        FindMappedDrives(ip, drives, services.mounts);
    DeleteMappedDrives(drives, services, stop);
    if (!stop.stop_requested())
        helper.OpenStorageFolder(shareRoot, services.urlOpener);
}

void CloseExplorerWindows(const std::string& shareRoot, CWindowList& windows, ShareStyle style,
                          int osVersionCode)
{
    if (ShareHost(shareRoot).empty())
        return;
    for (const CWindowList::TopLevelWindow& window : windows.TopLevelWindows()) {
        if (IsFileBrowser(window, style) &&
            WindowShowsDevice(window, shareRoot, windows, style, osVersionCode))
            windows.RequestClose(window.nId);
    }
}

bool DeleteNetConnections(const std::string& ip, DesktopServices& services, std::stop_token stop)
{
    const std::optional<std::vector<std::string>> connections = services.mounts.NetworkConnections();
    if (!connections)
        return false;
    for (const std::string& remoteName : *connections) {
        if (ShareIsOnHost(remoteName, ip) && !stop.stop_requested())
            RunHiddenCommand(DisconnectCommand(remoteName, services.shareStyle), services.commands);
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
    // Drive letters are walked from the last one down; mount points go the same way.
    std::ranges::stable_sort(drives, std::ranges::greater{}, &MappedDrive::strDriveName);
}

void DeleteMappedDrives(std::vector<MappedDrive>& drives, DesktopServices& services, std::stop_token stop)
{
    for (const MappedDrive& drive : drives) {
        const auto command = DriveRemovalCommand(drive.strDriveName, services.shareStyle);
        if (command && !stop.stop_requested())
            RunHiddenCommand(*command, services.commands);
    }
    drives.clear();
}

void RunHiddenCommand(const std::vector<std::string>& argv, CCommandRunner& runner)
{
    runner.StartDetached(argv);
    runner.Pause(kCommandPause);
}
