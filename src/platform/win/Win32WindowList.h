#pragma once

#include "platform/DesktopServices.h"

#include <string_view>

// Top-level windows from EnumWindows: the window handle as the id, its class name as
// strClass (strInstance stays empty: Windows has no class hint), its title as strTitle.
// Close requests are posted WM_CLOSE messages.
class CWin32WindowList final : public CWindowList
{
public:
    std::vector<TopLevelWindow> TopLevelWindows() override;
    void RequestClose(std::uint64_t windowId) override;
    std::vector<std::string> DescendantTexts(std::uint64_t windowId) override;
};

// True when the window text of any descendant of the window contains the text (UTF-8,
// case-sensitive). File-browser windows of version code 13 show their folder only there.
bool FindChildWindowText(std::uint64_t windowId, std::string_view text);
