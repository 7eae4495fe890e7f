#pragma once

#include "platform/DesktopServices.h"

// Other programs' top-level windows on an X11 display, found through the window manager's
// client list, or, where no window manager keeps one, as the root window's children.
// Each call opens its own short connection, so nothing is held between actions.
class CX11WindowList final : public CWindowList
{
public:
    // Uses the session's display; under a Wayland session without X11, or without any
    // display, there are no windows to see.
    CX11WindowList();
    // Uses the given display name (tests start their own server).
    explicit CX11WindowList(std::string displayName);

    std::vector<TopLevelWindow> TopLevelWindows() override;
    void RequestClose(std::uint64_t windowId) override;

private:
    std::optional<std::string> displayName;
};
