#pragma once

// Layout texts are wide strings; the window framework takes its own strings.

#include <QString>

#include <string_view>

inline QString FromWide(std::wstring_view text)
{
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}
