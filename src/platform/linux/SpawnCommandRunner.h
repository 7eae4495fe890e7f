#pragma once

#include "platform/DesktopServices.h"

// Starts programs with posix_spawnp: no shell, standard streams on /dev/null, no inherited
// descriptors beyond those three.
class CSpawnCommandRunner final : public CCommandRunner
{
public:
    void StartDetached(const std::vector<std::string>& argv) override;
    std::optional<std::string> ReadOutput(const std::vector<std::string>& argv) override;
    void Pause(std::chrono::milliseconds duration) override;
};
