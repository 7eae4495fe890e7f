#include "platform/win/ShellUrlOpener.h"

#include "platform/win/WideText.h"

#include <objbase.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <utility>

namespace {

std::string RecorderPathFromEnvironment()
{
    const wchar_t* name = L"TRAVELKIN_URL_RECORDER";
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return Utf8FromWideText(value);
}

// How long the caller waits for the shell before it goes on.
constexpr std::chrono::seconds kShellWait{2};

void RunShell(CShellUrlOpener::ShellExecuteCall shellExecute, std::wstring target,
              std::shared_ptr<std::promise<void>> opened)
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
    opened->set_value();
}

} // namespace

CShellUrlOpener::CShellUrlOpener() : CShellUrlOpener(&::ShellExecuteExW, RecorderPathFromEnvironment()) {}

CShellUrlOpener::CShellUrlOpener(ShellExecuteCall shellExecute, std::string recorderPath)
    : m_shellExecute(shellExecute), m_recorder(std::move(recorderPath))
{
}

void CShellUrlOpener::OpenUrl(const std::string& url)
{
    if (!IsPlainUrl(url))
        return;
    if (m_recorder.IsOn()) {
        m_recorder.Record(url);
        return;
    }
    // The shell runs on a thread of its own that nobody waits for beyond kShellWait: an
    // unreachable share root can keep it for as long as the network's time-outs last, and
    // the program's end (which waits for the storage worker that calls this) must not.
    auto opened = std::make_shared<std::promise<void>>();
    std::future<void> done = opened->get_future();
    std::thread(&RunShell, m_shellExecute, WideFromUtf8Text(url), std::move(opened)).detach();
    done.wait_for(kShellWait);
}
