#include "platform/win/ShellUrlOpener.h"

#include "platform/win/WideText.h"

#include <shellapi.h>

CShellUrlOpener::CShellUrlOpener(ShellExecuteCall shellExecute)
    : m_shellExecute(shellExecute != nullptr ? shellExecute : &::ShellExecuteW)
{
}

void CShellUrlOpener::OpenUrl(const std::string& url)
{
    // The shell may start COM servers on this thread; a thread that has not set COM up gets
    // the apartment the shell needs for the call.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring target = WideFromUtf8Text(url);
    m_shellExecute(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}
