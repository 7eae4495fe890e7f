#include "platform/win/InstanceMutex.h"

#include "platform/InstanceActivation.h"

#include <windows.h>

namespace {

// How long a later start waits for the running instance to answer.
constexpr UINT kActivationWaitMs = 2000;

} // namespace

CInstanceMutex::CInstanceMutex(std::wstring name) : m_name(std::move(name)) {}

CInstanceMutex::~CInstanceMutex()
{
    if (m_mutex != nullptr)
        ::CloseHandle(m_mutex);
}

CInstanceMutex::Claim CInstanceMutex::Acquire()
{
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, m_name.c_str());
    if (mutex == nullptr)
        return Claim::Failed;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        m_mutex = mutex;
        return Claim::First;
    }
    ::CloseHandle(mutex);
    HWND running = ::FindWindowW(nullptr, m_name.c_str());
    if (running == nullptr)
        return Claim::Silent;
    // The foreground is this start's, which the user just made: the running instance may take
    // it only with our leave.
    DWORD runningProcess = 0;
    ::GetWindowThreadProcessId(running, &runningProcess);
    ::AllowSetForegroundWindow(runningProcess);
    // A running instance that hangs must not hang this start too.
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(running, WM_ACTIVATE_INSTANCE, 0, 0, SMTO_ABORTIFHUNG, kActivationWaitMs,
                              &result) == 0)
        return Claim::Silent;
    return Claim::Notified;
}

void BringWindowToFront(HWND window)
{
    if (::IsIconic(window))
        return; // a minimised window stays where the user put it
    // Topmost and back lifts the window above every other one, even above a window of the
    // process that has the foreground; the window then takes the foreground, as the later
    // start allowed.
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE;
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep);
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
    ::SetForegroundWindow(window);
}
