#include "platform/win/InstanceMutex.h"

#include "platform/InstanceActivation.h"

#include <windows.h>

namespace {

// How long a later start waits for the running instance to answer.
constexpr UINT kActivationWaitMs = 2000;

} // namespace

CInstanceMutex::CInstanceMutex(std::wstring instanceName) : name(std::move(instanceName)) {}

CInstanceMutex::~CInstanceMutex()
{
    if (mutex != nullptr)
        ::CloseHandle(mutex);
}

CInstanceMutex::Claim CInstanceMutex::Acquire()
{
    HANDLE created = ::CreateMutexW(nullptr, TRUE, name.c_str());
    if (created == nullptr)
        return Claim::Failed;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        mutex = created;
        return Claim::First;
    }
    ::CloseHandle(created);
    HWND running = ::FindWindowW(nullptr, name.c_str());
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
