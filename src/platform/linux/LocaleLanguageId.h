#pragma once

// Maps a POSIX locale name ("de_CH.UTF-8@euro", "pt", "C") to the Windows language
// identifier of the same language and country.

#include <cstdint>
#include <string_view>

constexpr std::uint16_t kLangIdEnglishUS = 1033;

// Encoding and modifier are ignored; a bare language gives its primary country; "C",
// "POSIX", empty and unknown names give English (United States).
std::uint16_t LanguageIdFromLocale(std::string_view locale);
