#include "layout/LocalPath.h"

#include <pugixml.hpp>

std::string ToLocalPath(std::wstring_view path)
{
    std::wstring local(path);
    for (wchar_t& c : local) {
        if (c == L'\\')
            c = L'/';
    }
    return pugi::as_utf8(local);
}

std::wstring WideFromUtf8(std::string_view text)
{
    return pugi::as_wide(std::string(text));
}
