#pragma once

// A request to end the program from outside (on Linux SIGTERM, SIGINT, SIGHUP; on Windows the
// console's control events and the session's end) closes its windows the way the user would,
// so the modal run ends and the normal shut-down runs. The handlers go in first thing, before
// the application object exists, so a request is never lost to a start-up that has no window
// yet: it is kept (Requested) for the start-up to check before it shows the window, and it
// waits for the first event loop as well. One implementation file per platform.

#include <QObject>

class QSocketNotifier;

class CTerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers, first thing in main: needs no application object.
    static void InstallHandlers();
    // True once a request has come since the handlers were installed.
    static bool Requested();

    // Once the application object exists (only one object at a time): a request, including
    // one that came before, closes the windows from the event loop. Installs the handlers
    // too when that was not done yet.
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;

private:
    void OnSignal();

    QSocketNotifier* pNotifier = nullptr; // Linux: the signal pipe's reader
};
