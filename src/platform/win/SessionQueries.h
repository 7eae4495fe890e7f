#pragma once

// The Win32 queries behind SessionServices.h.

#include <cstdint>
#include <string>

// The user's (roaming) application-data folder; empty when the shell has none.
std::wstring UserApplicationDataFolder();
// The language of the user's interface, as a Windows language identifier.
std::uint16_t UserInterfaceLanguage();
