#include "platform/win/NetConnections.h"

#include "platform/win/WideText.h"

#include <windows.h>
#include <winnetwk.h>

#include <memory>

namespace {

constexpr DWORD kEnumBufferBytes = 16384;
constexpr DWORD kRemoteNameSize = 512;
constexpr DWORD kDriveRootsSize = 1024;

struct EnumCloser
{
    void operator()(HANDLE handle) const { ::WNetCloseEnum(handle); }
};
using EnumHandle = std::unique_ptr<void, EnumCloser>;

// Appends the remote names of one batch; false when the enumeration is over or failed.
bool ReadBatch(HANDLE enumeration, std::vector<std::string>& names)
{
    // NETRESOURCEW holds pointers into the same buffer, so it must be aligned for them.
    auto buffer = std::make_unique<NETRESOURCEW[]>(kEnumBufferBytes / sizeof(NETRESOURCEW));
    DWORD count = static_cast<DWORD>(-1); // as many as fit
    DWORD size = kEnumBufferBytes;
    if (::WNetEnumResourceW(enumeration, &count, buffer.get(), &size) != NO_ERROR)
        return false;
    for (DWORD i = 0; i < count; ++i) {
        if (buffer[i].lpRemoteName != nullptr)
            names.push_back(Utf8FromWideText(buffer[i].lpRemoteName));
    }
    return true;
}

} // namespace

std::optional<std::vector<std::string>> CNetConnections::NetworkConnections()
{
    HANDLE raw = nullptr;
    if (::WNetOpenEnumW(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &raw) != NO_ERROR)
        return std::nullopt;
    const EnumHandle enumeration(raw);
    std::vector<std::string> names;
    while (ReadBatch(enumeration.get(), names)) {
    }
    return names;
}

std::vector<KernelShareMount> CNetConnections::KernelShareMounts()
{
    wchar_t roots[kDriveRootsSize] = {};
    const DWORD length = ::GetLogicalDriveStringsW(kDriveRootsSize - 1, roots);
    const std::wstring joined(roots, length < kDriveRootsSize ? length : 0);
    std::vector<KernelShareMount> mounts;
    for (wchar_t letter = L'Z'; letter >= L'A'; --letter) {
        if (joined.find(letter) == std::wstring::npos)
            continue;
        const wchar_t drive[3] = {letter, L':', L'\0'};
        wchar_t remote[kRemoteNameSize] = {};
        DWORD size = kRemoteNameSize;
        if (::WNetGetConnectionW(drive, remote, &size) == NO_ERROR)
            mounts.push_back({Utf8FromWideText(remote), Utf8FromWideText(drive)});
    }
    return mounts;
}
