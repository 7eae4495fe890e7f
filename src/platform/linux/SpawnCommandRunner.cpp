#include "platform/linux/SpawnCommandRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// How long a program whose output we read may take before it is given up, and how long a
// program given up may take to go after it was killed.
constexpr std::chrono::milliseconds kOutputTimeout{5000};
constexpr std::chrono::milliseconds kReapTimeout{500};
constexpr std::chrono::milliseconds kReapPoll{5};
// How often the reaper looks at the programs it waits for while any of them runs.
constexpr std::chrono::milliseconds kBackgroundReapPoll{20};
constexpr std::size_t kMaxOutputBytes = 1 << 20;

class SpawnSetup
{
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
        // The child starts with default signal handling and nothing blocked, whatever the
        // threads of this process have changed.
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    void StreamToNull(int fd, int flags)
    {
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", flags, 0);
    }
    void StreamToPipe(int fd, int pipeEnd) { posix_spawn_file_actions_adddup2(&actions, pipeEnd, fd); }
    void CloseTheRest() { posix_spawn_file_actions_addclosefrom_np(&actions, 3); }

    // Returns the child's pid, or -1 when it could not be started.
    pid_t Spawn(const std::vector<std::string>& argv)
    {
        if (argv.empty() || argv.front().empty())
            return -1;
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ) != 0)
            return -1;
        return pid;
    }

private:
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

// The child's status once it has ended, or nothing when it is still running at the deadline.
std::optional<int> WaitForExitUntil(pid_t pid, Clock::time_point deadline)
{
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return status;
        if (ended < 0 && errno != EINTR)
            return -1; // not our child any more: nothing left to wait for
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(kReapPoll);
    }
}

// Reaps the child if it has ended; true also when it is not ours (any more) to wait for.
bool Reaped(pid_t pid)
{
    int status = 0;
    pid_t ended = -1;
    do {
        ended = waitpid(pid, &status, WNOHANG);
    } while (ended == -1 && errno == EINTR);
    return ended != 0;
}

// Reads the pipe until the writer closes it, the output grows too large or time runs out.
bool ReadAll(int fd, std::string& out, Clock::time_point deadline)
{
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > kMaxOutputBytes)
            return false;
    }
}

} // namespace

CSpawnCommandRunner::~CSpawnCommandRunner()
{
    if (reaper.joinable()) {
        reaper.request_stop();
        reaper.join();
    }
}

void CSpawnCommandRunner::ReapInBackground(pid_t pid)
{
    // Callers on two threads (the storage worker's and the window's) may hand over children
    // at once: the reaper starts under the lock, so only one of them starts it. It takes the
    // lock first thing, and waits for this call to let go of it.
    const std::lock_guard lock(childLock);
    children.push_back(pid);
    changed.notify_all();
    if (reaper.joinable())
        return;
    try {
        reaper = std::jthread([this](std::stop_token stop) { ReapUntilStopped(std::move(stop)); });
    } catch (const std::system_error&) {
        // No thread to spare: the child stays unreaped until the process ends, which is
        // still better than blocking the caller on it.
    }
}

void CSpawnCommandRunner::ReapUntilStopped(std::stop_token stop)
{
    std::unique_lock lock(childLock);
    std::optional<Clock::time_point> giveUpAt;
    for (;;) {
        std::erase_if(children, Reaped);
        if (stop.stop_requested()) {
            giveUpAt = giveUpAt.value_or(Clock::now() + kExitReap);
            if (children.empty() || Clock::now() >= *giveUpAt)
                return; // the rest are left running
            changed.wait_for(lock, kBackgroundReapPoll, [] { return false; });
        } else if (children.empty()) {
            changed.wait(lock, stop, [this] { return !children.empty(); });
        } else {
            changed.wait_for(lock, stop, kBackgroundReapPoll, [] { return false; });
        }
    }
}

// Kills a child that was given up. Even a kill may take a while to land (a child stuck in the
// kernel on a network file system), so the caller waits only a moment before leaving the
// child to the reaper.
void CSpawnCommandRunner::KillAndReap(pid_t pid)
{
    kill(pid, SIGKILL);
    if (!WaitForExitUntil(pid, Clock::now() + kReapTimeout))
        ReapInBackground(pid);
}

void CSpawnCommandRunner::StartDetached(const std::vector<std::string>& argv)
{
    SpawnSetup setup;
    setup.StreamToNull(STDIN_FILENO, O_RDONLY);
    setup.StreamToNull(STDOUT_FILENO, O_WRONLY);
    setup.StreamToNull(STDERR_FILENO, O_WRONLY);
    setup.CloseTheRest();
    const pid_t pid = setup.Spawn(argv);
    if (pid >= 0)
        ReapInBackground(pid);
}

std::optional<std::string> CSpawnCommandRunner::ReadOutput(const std::vector<std::string>& argv)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    SpawnSetup setup;
    setup.StreamToNull(STDIN_FILENO, O_RDONLY);
    setup.StreamToPipe(STDOUT_FILENO, fds[1]);
    setup.StreamToNull(STDERR_FILENO, O_WRONLY);
    setup.CloseTheRest();
    const pid_t pid = setup.Spawn(argv);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return std::nullopt;
    }
    // One deadline for the whole run: a program that closes its output but goes on running
    // is given up as well.
    const Clock::time_point deadline = Clock::now() + kOutputTimeout;
    std::string output;
    const bool complete = ReadAll(fds[0], output, deadline);
    close(fds[0]);
    const std::optional<int> status = complete ? WaitForExitUntil(pid, deadline) : std::nullopt;
    if (!status) {
        KillAndReap(pid);
        return std::nullopt;
    }
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        return std::nullopt;
    return output;
}

void CSpawnCommandRunner::Pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}
