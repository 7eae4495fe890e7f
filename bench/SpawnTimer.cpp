// bench_spawn: runs one program and times it from the outside, the same way for any program,
// so two searches of different make can be compared in one run (bench/peer.sh).
//
//   bench_spawn [--match TEXT] [--want N] -- PROGRAM [ARG...]
//
// Prints one line: first_ms want_ms exit_ms cpu_ms peak_kb matched status
//   first_ms  the first line of standard output that contains TEXT ("-" if none)
//   want_ms   the line that made N different lines containing TEXT ("-" if fewer came)
//   exit_ms   the program's end
//   cpu_ms    user and system time of the program; peak_kb its peak resident size
//   matched   how many different lines contained TEXT; status its exit status
// Every time counts from just before the program is started. Lines are timed as they arrive
// through a pipe, so a program that buffers its output is timed when it writes.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings
{
    std::string match;
    std::size_t want = 1;
    std::vector<char*> command; // ends with a null pointer
};

std::optional<Settings> ReadSettings(int argc, char** argv)
{
    Settings settings;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
        if (i + 1 >= argc)
            return std::nullopt;
        if (std::strcmp(argv[i], "--match") == 0)
            settings.match = argv[i + 1];
        else if (std::strcmp(argv[i], "--want") == 0)
            settings.want = std::strtoul(argv[i + 1], nullptr, 10);
        else
            return std::nullopt;
    }
    if (i + 1 >= argc)
        return std::nullopt;
    settings.command.assign(argv + i + 1, argv + argc);
    settings.command.push_back(nullptr);
    return settings;
}

// The lines of the program's output that contain the text, timed as they come.
class LineWatch
{
public:
    LineWatch(const Settings& watched, Clock::time_point startedAt) : settings(watched), start(startedAt) {}

    void Take(const char* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] != '\n') {
                pending.push_back(data[i]);
                continue;
            }
            Line(Clock::now());
            pending.clear();
        }
    }

    void Print(double exitMs, const rusage& usage, int status) const
    {
        const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        std::printf("%s %s %.3f %.3f %ld %zu %d\n", Ms(first).c_str(), Ms(wanted).c_str(), exitMs, cpuMs,
                    usage.ru_maxrss, seen.size(), status);
    }

private:
    void Line(Clock::time_point now)
    {
        if (settings.match.empty() || pending.find(settings.match) == std::string::npos)
            return;
        if (!first)
            first = now;
        if (seen.insert(pending).second && seen.size() == settings.want)
            wanted = now;
    }

    std::string Ms(const std::optional<Clock::time_point>& moment) const
    {
        if (!moment)
            return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.3f",
                      std::chrono::duration<double, std::milli>(*moment - start).count());
        return text;
    }

    const Settings& settings;
    Clock::time_point start;
    std::string pending;
    std::set<std::string> seen;
    std::optional<Clock::time_point> first;
    std::optional<Clock::time_point> wanted;
};

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Settings> settings = ReadSettings(argc, argv);
    if (!settings) {
        std::fputs("usage: bench_spawn [--match TEXT] [--want N] -- PROGRAM [ARG...]\n", stderr);
        return 2;
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return 1;
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execvp(settings->command[0], settings->command.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    LineWatch watch(*settings, start);
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count > 0)
            watch.Take(buffer, static_cast<std::size_t>(count));
        else if (count == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double exitMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    watch.Print(exitMs, usage, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
