#include "platform/SessionServices.h"

#include "platform/win/SessionQueries.h"

#include <cstdlib>

// The data folder is per user (the all-users templates folder is not writable by users on
// current systems), and the language is the one the user's interface speaks.

std::wstring GetCommonTemplatesPath()
{
    // The same override as on Linux, for tests and demonstrations.
    if (const wchar_t* root = ::_wgetenv(L"TRAVELKIN_DATA_ROOT"); root != nullptr && *root != L'\0')
        return root;
    return UserApplicationDataFolder();
}

std::uint16_t SessionLanguageId()
{
    const std::uint16_t language = UserInterfaceLanguage();
    return language != 0 ? language : 1033;
}
