#pragma once

// The number the file-browser search uses to tell systems apart: 13 for the NT family from
// major version 6 on; older systems get their historic codes; 0 for anything else.

#include <cstdint>

struct OsVersion
{
    std::uint32_t platformId = 0; // VER_PLATFORM_WIN32s, _WIN32_WINDOWS or _WIN32_NT
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint8_t productType = 0; // VER_NT_WORKSTATION, _DOMAIN_CONTROLLER or _SERVER
};

int OsVersionCodeOf(const OsVersion& version);

// The running system's code, from its real version (not the one shown to programs without
// a compatibility manifest).
int GetOSVersionCode();
