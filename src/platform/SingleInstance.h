#pragma once

// Makes sure one instance runs per user. The first instance holds a per-user lock named
// after the instance; a later start finds the lock held, asks the running instance to come to
// the front (WM_ACTIVATE_INSTANCE) and ends. How the lock is held and the message carried is
// the platform's own, in its implementation file.

#include "platform/InstanceActivation.h"

#include <QObject>
#include <QString>

#include <memory>

class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim
    {
        First,    // this is the instance; activateRequested() reports later starts
        Notified, // another instance runs and has handled the activation
        Silent,   // another instance runs but does not listen (yet); nothing was sent
        Failed,   // the runtime folder or the lock could not be used
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
    class Guard; // the platform's lock and listener
    std::unique_ptr<Guard> guard;
};
