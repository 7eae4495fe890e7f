#include "platform/win/SessionQueries.h"

#include <windows.h>
#include <shlobj.h>

std::wstring UserApplicationDataFolder()
{
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

std::uint16_t UserInterfaceLanguage()
{
    return ::GetUserDefaultUILanguage();
}
