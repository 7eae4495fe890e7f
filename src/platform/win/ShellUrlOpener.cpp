#include "platform/win/ShellUrlOpener.h"

#include "platform/win/WideText.h"

#include <objbase.h>
#include <shellapi.h>

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

CShellUrlOpener::CShellUrlOpener() : CShellUrlOpener(&::ShellExecuteW, RecorderPathFromEnvironment()) {}

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
    m_shellExecute(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}
