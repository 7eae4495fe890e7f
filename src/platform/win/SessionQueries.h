#pragma once

// The Win32 queries behind SessionServices.h. Kept apart because the program's own
// GetSystemDefaultLangID shares its name with the system's, so the file that defines it
// cannot see <windows.h>.

#include <cstdint>
#include <string>

// The user's (roaming) application-data folder; empty when the shell has none.
std::wstring UserApplicationDataFolder();
// The language of the user's interface, as a Windows language identifier.
std::uint16_t UserInterfaceLanguage();
