#include "platform/SessionServices.h"

#include "layout/LocalPath.h"
#include "platform/linux/LocaleLanguageId.h"

#include <cstdlib>
#include <string_view>

namespace {

// An unset and an empty variable mean the same, as for the locale variables.
std::string_view Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

std::wstring GetCommonTemplatesPath()
{
    if (const std::string_view root = Environment("TRAVELKIN_DATA_ROOT"); !root.empty())
        return WideFromUtf8(root);
    // The base-directory convention ignores a relative data home.
    if (const std::string_view dataHome = Environment("XDG_DATA_HOME"); dataHome.starts_with('/'))
        return WideFromUtf8(dataHome);
    if (const std::string_view home = Environment("HOME"); !home.empty())
        return WideFromUtf8(home) + L"/.local/share";
    return {};
}

std::uint16_t SessionLanguageId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const std::string_view locale = Environment(name); !locale.empty())
            return LanguageIdFromLocale(locale);
    }
    return kLangIdEnglishUS;
}
