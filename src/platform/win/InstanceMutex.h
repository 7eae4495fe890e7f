#pragma once

// The single-instance guard of Windows: a named mutex owned by the first instance until it
// lets it go. A later start finds the mutex, lets the running instance take the foreground,
// sends WM_ACTIVATE_INSTANCE (1124) to its top-level window (found by its title, the same
// name) and waits until it is handled, for two seconds at most. The Qt glue that turns the
// message into the window's activateRequested() joins the Windows build of the window.

#include <windows.h>

#include <string>

class CInstanceMutex
{
public:
    enum class Claim
    {
        First,    // this is the instance; it holds the mutex until destroyed
        Notified, // another instance runs and its window has handled the message
        Silent,   // another instance runs but has no window (yet) or did not answer in time
        Failed,   // the mutex could not be created
    };

    explicit CInstanceMutex(std::wstring name);
    ~CInstanceMutex();
    CInstanceMutex(const CInstanceMutex&) = delete;
    CInstanceMutex& operator=(const CInstanceMutex&) = delete;

    Claim Acquire();

private:
    std::wstring name;
    void* mutex = nullptr;
};

// The running instance's side of a later start: the window comes to the front, above every
// other window, unless it is minimised.
void BringWindowToFront(HWND window);
