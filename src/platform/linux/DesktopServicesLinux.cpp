#include "platform/DesktopServices.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/SpawnCommandRunner.h"
#include "platform/linux/SystemMountTable.h"
#include "platform/linux/X11WindowList.h"

namespace {

struct LinuxDesktop
{
    CDesktopUrlOpener urlOpener;
    CSpawnCommandRunner commands;
    CSystemMountTable mounts{commands};
    CX11WindowList windows;
    DesktopServices services{urlOpener, commands, mounts, windows};
};

} // namespace

DesktopServices& SystemDesktopServices()
{
    static LinuxDesktop desktop;
    return desktop.services;
}
