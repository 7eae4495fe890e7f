#pragma once

#include "platform/DesktopServices.h"

// The user's network connections from the networking provider (WNet). NetworkConnections
// lists the remote names of every connected resource ("\\192.0.2.5\share");
// KernelShareMounts lists the drive letters mapped to a network share, from "Z:" down to
// "A:", with the remote name as strSource and the drive ("Z:") as strMountPoint.
class CNetConnections final : public CMountTable
{
public:
    std::optional<std::vector<std::string>> NetworkConnections() override;
    std::vector<KernelShareMount> KernelShareMounts() override;
};
