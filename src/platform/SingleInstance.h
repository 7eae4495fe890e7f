#pragma once

// Makes sure one instance runs per user. The first instance holds a per-user lock and
// listens on a local socket named after the instance; a later start finds the lock held,
// asks the running instance to come to the front and ends.

#include <QObject>
#include <QString>

#include <cstdint>

class QSocketNotifier;

// The message a second start sends to the running instance.
constexpr std::uint32_t WM_ACTIVATE_INSTANCE = 0x0400 + 100;

class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim
    {
        First,     // this is the instance; activateRequested() reports later starts
        Notified,  // another instance runs and has handled the activation
        Silent,    // another instance runs but does not listen (yet); nothing was sent
        Failed,    // the runtime folder or the lock could not be used
    };

    explicit CSingleInstance(QString instanceName, QObject* parent = nullptr);
    ~CSingleInstance() override;

    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    Claim Acquire();

signals:
    // Emitted on the owning thread when a later start asks to be brought to the front;
    // the later start waits until the connected slots have returned.
    void activateRequested();

private:
    void Listen(const QString& socketPath);
    void OnNewConnection();
    static Claim NotifyRunningInstance(const QString& socketPath);

    QString m_instanceName;
    int m_lockFd = -1;
    int m_listenFd = -1;
    QString m_socketPath;
    QSocketNotifier* m_listener = nullptr;
};
