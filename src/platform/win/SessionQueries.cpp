#include "platform/win/SessionQueries.h"

#include <windows.h>

#include <shlobj.h>

std::wstring UserApplicationDataFolder()
{
    PWSTR path = nullptr;
    std::wstring folder;
    // Made when missing (a fresh or redirected profile may not have it yet): without the flag
    // the system gives no path for a folder that does not exist.
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &path)))
        folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

std::uint16_t UserInterfaceLanguage()
{
    return ::GetUserDefaultUILanguage();
}
