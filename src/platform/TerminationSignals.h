#pragma once

// A request to end the program from outside (on Linux SIGTERM, SIGINT, SIGHUP; on Windows the
// console's control events and the session's end) closes its windows the way the user would,
// so the modal run ends and the normal shut-down runs. One implementation file per platform.

#include <QObject>

class QSocketNotifier;

class CTerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; only one object may exist at a time.
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;

private:
    void OnSignal();

    QSocketNotifier* pNotifier = nullptr;  // Linux: the signal pipe's reader
};
