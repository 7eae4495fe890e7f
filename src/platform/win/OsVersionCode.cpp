#include "platform/win/OsVersionCode.h"

#include <windows.h>

namespace {

int NineFamilyCode(std::uint32_t minor)
{
    switch (minor) {
    case 0:
        return 2;
    case 10:
        return 3;
    case 90:
        return 4;
    default:
        return 0;
    }
}

int NtCode(const OsVersion& version)
{
    if (version.major >= 6)
        return 13;
    if (version.major == 4)
        return 6;
    if (version.major != 5)
        return 0;
    switch (version.minor) {
    case 0:
        return 7;
    case 1:
        return 8;
    case 2:
        return version.productType == VER_NT_WORKSTATION ? 9 : 10;
    default:
        return 0;
    }
}

} // namespace

int OsVersionCodeOf(const OsVersion& version)
{
    switch (version.platformId) {
    case VER_PLATFORM_WIN32s:
        return 1;
    case VER_PLATFORM_WIN32_WINDOWS:
        return version.major == 4 ? NineFamilyCode(version.minor) : 0;
    case VER_PLATFORM_WIN32_NT:
        return NtCode(version);
    default:
        return 0;
    }
}

int GetOSVersionCode()
{
    // RtlGetVersion reports the true version; GetVersionEx stops at 6.2 without a manifest.
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto call = ntdll == nullptr ? nullptr
                                       : reinterpret_cast<RtlGetVersionCall>(reinterpret_cast<void*>(
                                             ::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (call == nullptr || call(&info) != 0)
        return 0;
    return OsVersionCodeOf({info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType});
}
