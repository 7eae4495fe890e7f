#pragma once

#include "platform/DesktopServices.h"

#include <string_view>

// The user's share mounts on Linux: the desktop's SMB connections as the gio tool lists them,
// and the kernel's SMB/CIFS mounts from the process's mount table.
class CSystemMountTable final : public CMountTable
{
public:
    explicit CSystemMountTable(CCommandRunner& runner, std::string mountInfoPath = "/proc/self/mountinfo");

    std::optional<std::vector<std::string>> NetworkConnections() override;
    std::vector<KernelShareMount> KernelShareMounts() override;

private:
    CCommandRunner& runner;
    std::string strMountInfoPath;
};

// The SMB mounts in the text of "gio mount -l", as "smb://host/share" without a trailing slash.
std::vector<std::string> ParseGioSmbMounts(std::string_view listing);

// The SMB/CIFS mounts in the text of a mountinfo file.
std::vector<KernelShareMount> ParseKernelShareMounts(std::string_view mountInfo);
