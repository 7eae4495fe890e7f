#pragma once

// The program from start to end: one instance per user, the data folder written afresh, the
// main window run modally (it starts the search service), and everything stopped again.

#include "app/VesquorDlg.h"

#include <QString>

#include <functional>
#include <memory>

class CSingleInstance;

class CVesquorApp
{
public:
    struct Environment
    {
        CSearchDeviceService& search;
        // Made only once this start is known to be the running instance.
        std::function<SearchWindowServices()> windowServices;
        // Shows the start-up failure text; by default a message box with an OK button.
        std::function<void(const QString&)> showFailure;
        // Runs the window until it closes; by default its modal run.
        std::function<void(CVesquorDlg&)> runWindow;

        static Environment ProcessWide();
    };

    explicit CVesquorApp(Environment environment);
    ~CVesquorApp();
    CVesquorApp(const CVesquorApp&) = delete;
    CVesquorApp& operator=(const CVesquorApp&) = delete;

    // The whole start; returns false in every case, as the program ends once it returns.
    bool InitInstance();
    // Stops the search, waits for folders still being opened and releases the instance.
    int ExitInstance();
    // InitInstance, then ExitInstance; the process's exit code.
    int Run();

private:
    // Stops the search service and waits for its threads, once.
    void ExitSearch();

    Environment env;
    std::unique_ptr<CSingleInstance> pInstance;
    bool searchExited = false;
};
