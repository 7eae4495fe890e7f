#pragma once

#include "platform/DesktopServices.h"

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include <sys/types.h>

// Starts programs with posix_spawnp: no shell, standard streams on /dev/null, no inherited
// descriptors beyond those three. One reaper thread of the runner's own waits for the
// programs that are not waited for where they were started, so none lingers as a zombie.
class CSpawnCommandRunner final : public CCommandRunner
{
public:
    // How long the end of the runner waits for started programs still running. Past it they
    // are left running and the reaper is joined; the system reaps them once this process is
    // gone.
    static constexpr std::chrono::milliseconds kExitReap{500};

    CSpawnCommandRunner() = default;
    ~CSpawnCommandRunner() override;
    CSpawnCommandRunner(const CSpawnCommandRunner&) = delete;
    CSpawnCommandRunner& operator=(const CSpawnCommandRunner&) = delete;

    void StartDetached(const std::vector<std::string>& argv) override;
    std::optional<std::string> ReadOutput(const std::vector<std::string>& argv) override;
    void Pause(std::chrono::milliseconds duration) override;

private:
    // Hands a started child to the reaper.
    void ReapInBackground(pid_t pid);
    void KillAndReap(pid_t pid);
    void ReapUntilStopped(std::stop_token stop);

    std::mutex childLock; // guards children, and reaper until the runner goes
    std::condition_variable_any changed;
    std::vector<pid_t> children;
    std::jthread reaper; // last: it goes first, before what it uses
};
