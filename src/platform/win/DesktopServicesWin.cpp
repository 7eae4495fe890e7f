#include "platform/DesktopServices.h"
#include "platform/win/HiddenCommandRunner.h"
#include "platform/win/NetConnections.h"
#include "platform/win/OsVersionCode.h"
#include "platform/win/ShellUrlOpener.h"
#include "platform/win/Win32WindowList.h"

namespace {

struct WindowsDesktop
{
    CShellUrlOpener urlOpener;
    CHiddenCommandRunner commands;
    CNetConnections mounts;
    CWin32WindowList windows;
    DesktopServices services{urlOpener, commands, mounts, windows, ShareStyle::Unc, GetOSVersionCode()};
};

} // namespace

DesktopServices& SystemDesktopServices()
{
    static WindowsDesktop desktop;
    return desktop.services;
}
