#include "platform/win/ShellUrlOpener.h"

#include "platform/win/WideText.h"

#include <objbase.h>

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
    // The shell may start COM servers on this thread; a thread that has not set COM up gets
    // the apartment the shell needs for the call.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring target = WideFromUtf8Text(url);
    // No error box: a share root that cannot be reached would otherwise wait for a click on a
    // box nobody may see, and the program's end waits for this call. The call also finishes
    // its work before it returns, as this thread may end right after it.
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"open";
    execute.lpFile = target.c_str();
    execute.nShow = SW_SHOW;
    m_shellExecute(&execute);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}
