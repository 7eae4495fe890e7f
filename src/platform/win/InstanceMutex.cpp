#include "platform/win/InstanceMutex.h"

#include "platform/InstanceActivation.h"

#include <windows.h>

CInstanceMutex::CInstanceMutex(std::wstring name)
    : m_name(std::move(name))
{
}

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
    ::SendMessageW(running, WM_ACTIVATE_INSTANCE, 0, 0);
    return Claim::Notified;
}
