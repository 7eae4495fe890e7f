#pragma once

#include "platform/DesktopServices.h"

#include <windows.h>

// Hands URLs and share roots ("\\192.0.2.5") to the shell, which opens them with the
// default browser or the file browser.
class CShellUrlOpener final : public CUrlOpener
{
public:
    // The shell's ShellExecuteW, or a stand-in that records what it is asked.
    using ShellExecuteCall = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

    explicit CShellUrlOpener(ShellExecuteCall shellExecute = nullptr);

    // May be called from any thread.
    void OpenUrl(const std::string& url) override;

private:
    ShellExecuteCall m_shellExecute;
};
