#pragma once

// My Storage: before a device's share root is opened in the file browser, the file-browser
// windows that show the device are asked to close and every connection and mount of the
// device is removed, so the browser starts from a fresh connection. One sequence serves every
// desktop; the services' ShareStyle decides the names, window classes and commands.

#include "app/NetStorageHelper.h"
#include "platform/DesktopServices.h"

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// The pause after each started command, which gives it a moment before the next one.
inline constexpr std::chrono::milliseconds kCommandPause{100};

// A mount or a mapped drive letter of one of the device's shares.
struct MappedDrive
{
    std::string strDriveName;  // the mount point, or the drive ("Z:")
    std::string strRemoteName; // "//192.0.2.5/share", "\\192.0.2.5\share"
};

// The share root of a device: "smb://" + ip + "/", or "\\" + ip.
std::string ShareRootOf(const std::string& ip, ShareStyle style);

// The whole action. selectedIp is the IP text of the selected row, or nothing when the window
// is not ready or no row is selected; then, as for a text that is not an IPv4 address,
// nothing happens. Once stop is asked (the program is ending), the action ends at its next
// step or command.
void OpenMyStorage(const std::optional<std::string>& selectedIp, DesktopServices& services,
                   CNetStorageHelper& helper = CNetStorageHelper::Instance(), std::stop_token stop = {});

// Asks every file-browser window that shows the share root's host to close. osVersionCode
// is GetOSVersionCode of the running system.
void CloseExplorerWindows(const std::string& shareRoot, CWindowList& windows, ShareStyle style,
                          int osVersionCode);

// Removes the desktop's connections to ip's shares. False when they could not be listed.
bool DeleteNetConnections(const std::string& ip, DesktopServices& services, std::stop_token stop = {});

// Fills drives (emptied first) with the mounts or mapped drives of ip's shares, the last
// mount point (in byte order) or drive letter first.
void FindMappedDrives(const std::string& ip, std::vector<MappedDrive>& drives, CMountTable& mounts);

// Removes each listed mount or drive in list order, then empties the list.
void DeleteMappedDrives(std::vector<MappedDrive>& drives, DesktopServices& services,
                        std::stop_token stop = {});

// Starts the command without waiting for it, then pauses kCommandPause.
void RunHiddenCommand(const std::vector<std::string>& argv, CCommandRunner& runner);
