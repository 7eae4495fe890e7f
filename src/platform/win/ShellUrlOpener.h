#pragma once

#include "platform/DesktopServices.h"
#include "platform/UrlRecorder.h"

#include <windows.h>

#include <shellapi.h>

// Hands URLs and share roots ("\\192.0.2.5") to the shell, which opens them with the
// default browser or the file browser. When TRAVELKIN_URL_RECORDER names a file, they are
// recorded there instead (CUrlRecorder).
class CShellUrlOpener final : public CUrlOpener
{
public:
    // The shell's ShellExecuteExW, or a stand-in that records what it is asked.
    using ShellExecuteCall = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

    // The shell's own call; reads TRAVELKIN_URL_RECORDER once, here.
    CShellUrlOpener();
    // An empty recorder path means "open for real".
    CShellUrlOpener(ShellExecuteCall shellExecute, std::string recorderPath);

    // May be called from any thread. Waits for the shell two seconds at most; a shell call
    // that takes longer goes on, on its own thread, which ends with it or with the process.
    void OpenUrl(const std::string& url) override;

private:
    ShellExecuteCall m_shellExecute;
    CUrlRecorder m_recorder;
};
