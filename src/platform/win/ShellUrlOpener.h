#pragma once

#include "platform/DesktopServices.h"
#include "platform/UrlRecorder.h"

#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

// Hands URLs and share roots ("\\192.0.2.5") to the shell, which opens them with the
// default browser or the file browser. When TRAVELKIN_URL_RECORDER names a file, they are
// recorded there instead (CUrlRecorder), on the thread and within the wait the shell would
// have had.
class CShellUrlOpener final : public CUrlOpener
{
public:
    // The shell's ShellExecuteExW, or a stand-in that records what it is asked.
    using ShellExecuteCall = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

    // The shell's own call; reads TRAVELKIN_URL_RECORDER and TRAVELKIN_URL_RECORDER_DELAY_MS
    // once, here.
    CShellUrlOpener();
    // An empty recorder path means "open for real". After each record its thread is held
    // for the delay, as a shell that is slow to come back holds it.
    CShellUrlOpener(ShellExecuteCall shellExecute, std::string recorderPath,
                    std::chrono::milliseconds recorderDelay = {});

    // May be called from any thread. Waits for the shell two seconds at most; a shell call
    // that takes longer goes on, on its own thread, which ends with it or with the process.
    void OpenUrl(const std::string& url) override;

private:
    ShellExecuteCall shellExecute;
    // Shared with the threads that record: one may outlive this object.
    std::shared_ptr<CUrlRecorder> recorder;
    std::chrono::milliseconds recorderDelay;
};

// The longest a record's thread may be held: long enough to outlast any wait of the program's
// end, short enough that a mistyped value cannot keep a thread for good.
constexpr std::chrono::milliseconds kMaxRecorderDelay{60000};

// TRAVELKIN_URL_RECORDER_DELAY_MS's text: whole milliseconds, digits only, up to
// kMaxRecorderDelay. Any other text means no delay.
std::chrono::milliseconds RecorderDelayFromText(std::string_view text);
