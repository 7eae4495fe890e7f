#pragma once

// UTF-8 and UTF-16 text at the Win32 boundary: the program's narrow texts are UTF-8, the
// system's wide calls take UTF-16. Invalid input becomes U+FFFD rather than being dropped.

#include <string>
#include <string_view>

std::wstring WideFromUtf8Text(std::string_view text);
std::string Utf8FromWideText(std::wstring_view text);
