#include "platform/support/linux/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Reads the newline-terminated display number that Xvfb writes once it listens.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 30000) <= 0)
            return {};
        char c = 0;
        if (read(fd, &c, 1) != 1)
            return {};
        if (c == '\n')
            return number;
        number.push_back(c);
    }
}

} // namespace

CXvfbServer::CXvfbServer(const std::string& screen)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const std::string fdText = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",    "-displayfd", fdText.c_str(), "-nolisten", "tcp",
                          "-screen", "0",          screen.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        pid = -1;
        close(fds[0]);
        return;
    }
    const std::string number = ReadDisplayNumber(fds[0]);
    close(fds[0]);
    if (!number.empty())
        strDisplay = ":" + number;
}

CXvfbServer::~CXvfbServer()
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
    }
}
