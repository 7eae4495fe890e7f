#pragma once

#include "platform/DesktopServices.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Opens a device's share root on a short-lived thread of its own, so the main window never
// waits for the file browser. One object serves the whole process.
class CNetStorageHelper
{
public:
    static CNetStorageHelper& Instance();

    CNetStorageHelper() = default;
    // Waits for the opening threads, so none outlives the opener it uses.
    ~CNetStorageHelper();
    CNetStorageHelper(const CNetStorageHelper&) = delete;
    CNetStorageHelper& operator=(const CNetStorageHelper&) = delete;

    // Stores the folder and starts a thread that opens it with opener. Each thread opens its
    // own copy of the folder, so a second action started at once cannot change what an
    // earlier thread opens. opener must outlive the thread (see WaitForOpeners).
    void OpenStorageFolder(const std::string& shareRoot, CUrlOpener& opener);

    // Waits for every opening thread started so far. Start-up calls it before the
    // application object goes away.
    void WaitForOpeners();

    // The folder most recently stored.
    std::string LastFolder() const;

private:
    struct Opener
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> pFinished;
    };
    void JoinFinishedOpeners();

    mutable std::mutex m_lock;
    std::string m_strFolder;
    std::vector<Opener> m_openers;
};
