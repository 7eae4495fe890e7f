#include "platform/win/WideText.h"

#include <windows.h>

std::wstring WideFromUtf8Text(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), wide);
    return result;
}

std::string Utf8FromWideText(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int narrow = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(narrow), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), narrow, nullptr, nullptr);
    return result;
}
