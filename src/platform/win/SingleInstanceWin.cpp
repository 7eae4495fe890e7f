#include "platform/SingleInstance.h"

#include "platform/win/InstanceMutex.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <windows.h>

#include <utility>

// The named mutex of the instance, and the running instance's ear for later starts: their
// WM_ACTIVATE_INSTANCE arrives at the main window (titled with the instance name), whose
// window procedure hands every message to the application's native event filters first.
class CSingleInstance::Guard final : public QAbstractNativeEventFilter
{
public:
    Guard(const QString& instanceName, CSingleInstance& instance)
        : mutex(instanceName.toStdWString()), owner(instance)
    {
    }
    ~Guard() override;

    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    Claim Acquire();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    static Claim FromMutexClaim(CInstanceMutex::Claim claim);
    void Listen();

    CInstanceMutex mutex;
    CSingleInstance& owner;
    bool first = false;
    bool listening = false;
};

CSingleInstance::CSingleInstance(QString instanceName, QObject* parent)
    : QObject(parent), guard(std::make_unique<Guard>(instanceName, *this))
{
}

CSingleInstance::~CSingleInstance() = default;

CSingleInstance::Claim CSingleInstance::Acquire()
{
    return guard->Acquire();
}

CSingleInstance::Guard::~Guard()
{
    if (listening && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

CSingleInstance::Claim CSingleInstance::Guard::Acquire()
{
    if (first)
        return Claim::First;
    const Claim claim = FromMutexClaim(mutex.Acquire());
    if (claim == Claim::First) {
        first = true;
        Listen();
    }
    return claim;
}

CSingleInstance::Claim CSingleInstance::Guard::FromMutexClaim(CInstanceMutex::Claim claim)
{
    switch (claim) {
    case CInstanceMutex::Claim::First:
        return Claim::First;
    case CInstanceMutex::Claim::Notified:
        return Claim::Notified;
    case CInstanceMutex::Claim::Silent:
        return Claim::Silent;
    case CInstanceMutex::Claim::Failed:
        break;
    }
    return Claim::Failed;
}

void CSingleInstance::Guard::Listen()
{
    // Without an application object there is no window to hear from; later starts then end
    // silently, as they do while the window does not exist yet.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installNativeEventFilter(this);
        listening = true;
    }
}

bool CSingleInstance::Guard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_ACTIVATE_INSTANCE)
        return false;
    // The later start's SendMessageTimeout returns once the connected slots have run.
    emit owner.activateRequested();
    BringWindowToFront(msg->hwnd);
    *result = 0;
    return true;
}
