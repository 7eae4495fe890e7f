#include "platform/support/linux/WestonServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& args, const std::string& dir)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int Wait(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
    }
    return status;
}

bool AppearsWithin(const std::filesystem::path& path, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

CWestonServer::CWestonServer(const std::string& backgroundArgb)
{
    char pattern[] = "/tmp/travelkin-weston-XXXXXX"; // mkdtemp makes it 0700, as Wayland wants
    if (!mkdtemp(pattern))
        return;
    strDir = pattern;
    std::ofstream(strDir + "/weston.ini")
        << "[shell]\nbackground-color=" << backgroundArgb << "\npanel-position=none\n";
    const std::string socket = "wayland-test";
    setenv("XDG_RUNTIME_DIR", strDir.c_str(), 1);
    pid = Spawn({"weston", "--backend=headless-backend.so", "--use-pixman", "--debug", "--idle-time=0",
                 "--width=640", "--height=480", "--socket=" + socket, "--config=" + strDir + "/weston.ini"},
                strDir);
    if (pid <= 0 || !AppearsWithin(strDir + "/" + socket, std::chrono::seconds(30)))
        return;
    strSocket = socket;
    setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
}

CWestonServer::~CWestonServer()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        Wait(pid);
    }
    if (!strDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(strDir, ignored);
    }
}

std::string CWestonServer::Screenshot() const
{
    const std::string shots = strDir + "/shots";
    std::error_code ignored;
    std::filesystem::remove_all(shots, ignored); // the only file there is then this shot
    std::filesystem::create_directory(shots);
    const pid_t shooter = Spawn({"weston-screenshooter"}, shots);
    if (shooter <= 0 || Wait(shooter) != 0)
        return {};
    for (const auto& entry : std::filesystem::directory_iterator(shots))
        return entry.path().string();
    return {};
}
