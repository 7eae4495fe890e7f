#include "app/NetStorageHelper.h"

CNetStorageHelper& CNetStorageHelper::Instance()
{
    static CNetStorageHelper helper;
    return helper;
}

void CNetStorageHelper::OpenStorageFolder(const std::string& shareRoot, CUrlOpener& opener)
{
    {
        const std::lock_guard lock(shareLock);
        strFolder = shareRoot;
    }
    opener.OpenUrl(shareRoot);
}

std::string CNetStorageHelper::LastFolder() const
{
    const std::lock_guard lock(shareLock);
    return strFolder;
}
