#pragma once

#include "platform/DesktopServices.h"

#include <mutex>
#include <string>

// Keeps the folder My Storage opened last and opens a device's share root from the calling
// thread: the action runs on the storage worker's thread (CStorageWorker), so the main
// window never waits for the file browser. One object serves the whole process.
class CNetStorageHelper
{
public:
    static CNetStorageHelper& Instance();

    // Stores the folder and opens it with opener. Each call opens its own copy of the folder,
    // so a second action at once cannot change what an earlier one opens.
    void OpenStorageFolder(const std::string& shareRoot, CUrlOpener& opener);

    // The folder most recently stored.
    std::string LastFolder() const;

private:
    mutable std::mutex shareLock;
    std::string strFolder;
};
