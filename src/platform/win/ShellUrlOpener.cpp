#include "platform/win/ShellUrlOpener.h"

#include "platform/win/WideText.h"

#include <objbase.h>

#include <charconv>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <utility>

namespace {

std::string EnvironmentText(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return Utf8FromWideText(value);
}

// How long the caller waits for the shell before it goes on.
constexpr std::chrono::seconds kShellWait{2};

void RunShell(CShellUrlOpener::ShellExecuteCall shellExecute, const std::wstring& target)
{
    // The shell may start COM servers on this thread; it gets the apartment the shell needs.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // No error box: a share root that cannot be reached would otherwise wait for a click on a
    // box nobody may see. The call also finishes its work before it returns, as this thread
    // ends right after it.
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"open";
    execute.lpFile = target.c_str();
    execute.nShow = SW_SHOW;
    shellExecute(&execute);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

// The shell (or the record that stands in for it) runs on a thread of its own that nobody
// waits for beyond kShellWait: an unreachable share root can keep it for as long as the
// network's time-outs last, and the program's end (which waits for the storage worker that
// calls this) must not.
void OpenWithin(std::function<void()> open)
{
    auto opened = std::make_shared<std::promise<void>>();
    std::future<void> done = opened->get_future();
    std::thread([open = std::move(open), opened] {
        open();
        opened->set_value();
    }).detach();
    done.wait_for(kShellWait);
}

} // namespace

std::chrono::milliseconds RecorderDelayFromText(std::string_view text)
{
    unsigned int milliseconds = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, milliseconds);
    if (text.empty() || error != std::errc{} || stop != end || milliseconds > kMaxRecorderDelay.count())
        return {};
    return std::chrono::milliseconds(milliseconds);
}

CShellUrlOpener::CShellUrlOpener()
    : CShellUrlOpener(&::ShellExecuteExW, EnvironmentText(L"TRAVELKIN_URL_RECORDER"),
                      RecorderDelayFromText(EnvironmentText(L"TRAVELKIN_URL_RECORDER_DELAY_MS")))
{
}

CShellUrlOpener::CShellUrlOpener(ShellExecuteCall shell, std::string recorderPath,
                                 std::chrono::milliseconds recordDelay)
    : shellExecute(shell), recorder(std::make_shared<CUrlRecorder>(std::move(recorderPath))),
      recorderDelay(recordDelay)
{
}

void CShellUrlOpener::OpenUrl(const std::string& url)
{
    if (!IsPlainUrl(url))
        return;
    if (!recorder->IsOn()) {
        OpenWithin([shell = shellExecute, target = WideFromUtf8Text(url)] { RunShell(shell, target); });
        return;
    }
    // The record takes the shell's place and its thread: what the tests see of the program's
    // end with a shell that is slow to come back is what the user gets.
    OpenWithin([recorder = recorder, delay = recorderDelay, url] {
        recorder->Record(url);
        std::this_thread::sleep_for(delay);
    });
}
