#include "platform/TerminationSignals.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>

#include <windows.h>

#include <atomic>

namespace {

// The console's requests (Ctrl+C, Ctrl+Break, its window closed, the user logging off, the
// system shutting down) arrive on a thread of their own; the closing is done on the
// window's thread. The system ends the process once the handler returns from one of the
// last three, so the handler waits, a little less than the system allows, for the normal
// shut-down to finish.
constexpr DWORD kShutDownWaitMs = 4500;

std::atomic<bool> installed{false};
std::atomic<bool> requested{false}; // kept for a start-up that has no window yet
std::atomic<bool> listening{false};
HANDLE shutDownDone = nullptr; // set when the object goes, after the program's shut-down

void RequestClose()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (listening && application != nullptr)
        QMetaObject::invokeMethod(
            application, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
}

BOOL WINAPI OnConsoleControl(DWORD event)
{
    requested = true;
    RequestClose();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::WaitForSingleObject(shutDownDone, kShutDownWaitMs);
    return TRUE;
}

// The session ending closes the windows the same way. The window procedure is still running
// the message when this returns, so the closing takes effect when the modal run next looks
// at its loop; the system may end the process before the shut-down has finished.
class CSessionEndFilter final : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override
    {
        const MSG* msg = static_cast<const MSG*>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam != FALSE)
            QApplication::closeAllWindows();
        return false; // Qt's own handling of the session's end goes on
    }
};

CSessionEndFilter sessionEndFilter;

} // namespace

void CTerminationSignals::InstallHandlers()
{
    if (!installed.exchange(true))
        ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool CTerminationSignals::Requested()
{
    return requested;
}

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    shutDownDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listening = true;
    InstallHandlers();
    QCoreApplication::instance()->installNativeEventFilter(&sessionEndFilter);
    if (requested)
        RequestClose(); // a request from before the application existed: honoured in the first loop
}

CTerminationSignals::~CTerminationSignals()
{
    QCoreApplication::instance()->removeNativeEventFilter(&sessionEndFilter);
    listening = false;
    if (shutDownDone != nullptr)
        ::SetEvent(shutDownDone); // a waiting handler lets the system end the process now
}
