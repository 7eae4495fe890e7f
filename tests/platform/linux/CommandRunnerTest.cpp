#include "platform/linux/SpawnCommandRunner.h"
#include "platform/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <latch>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using ::testing::UnorderedElementsAre;

namespace {

namespace fs = std::filesystem;

struct ChildProcess
{
    pid_t pid = 0;
    char state = '?';
};

// Every process whose parent is this one, read from /proc.
std::vector<ChildProcess> Children()
{
    std::vector<ChildProcess> children;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // "pid (command) state ppid ...": the command may hold spaces and parentheses.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = '?';
        long ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == getpid())
            children.push_back({static_cast<pid_t>(std::stol(name)), state});
    }
    return children;
}

// Polls until `done` holds or far more time has passed than it takes on a loaded machine.
template <typename Condition> bool WaitFor(Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// Waits (bounded) until every child has been reaped; what is left is returned.
std::vector<ChildProcess> ChildrenAfterReaping()
{
    WaitFor([] { return Children().empty(); });
    return Children();
}

TEST(CommandRunnerTest, StartedProgramGetsOnlyNullStreamsAndIsReapedAfterItEnds)
{
    int leaked[2];
    ASSERT_EQ(pipe(leaked), 0); // descriptors without close-on-exec, as a library might leave them
    CSpawnCommandRunner runner;

    runner.StartDetached({"sleep", "60"});

    // The program is running: StartDetached did not wait for it. It runs until ended here.
    const std::vector<ChildProcess> running = Children();
    ASSERT_EQ(running.size(), 1u);
    std::vector<std::string> descriptors;
    const fs::path fdDir = fs::path("/proc") / std::to_string(running[0].pid) / "fd";
    for (const fs::directory_entry& fd : fs::directory_iterator(fdDir))
        descriptors.push_back(fd.path().filename().string() + "=" + fs::read_symlink(fd.path()).string());
    EXPECT_THAT(descriptors, UnorderedElementsAre("0=/dev/null", "1=/dev/null", "2=/dev/null"));
    kill(running[0].pid, SIGKILL);

    // Short-lived and failing programs are reaped just the same.
    runner.StartDetached({"true"});
    runner.StartDetached({"false"});
    runner.StartDetached({"/nonexistent/program"});
    runner.StartDetached({});
    EXPECT_TRUE(ChildrenAfterReaping().empty()) << "an ended program was left as a zombie";
    close(leaked[0]);
    close(leaked[1]);
}

TEST(CommandRunnerTest, ArgumentsReachTheProgramLiterally)
{
    CTempDir dir;
    const fs::path tricky = dir.Path("a b;touch $(echo x)`y`");
    CSpawnCommandRunner runner;

    runner.StartDetached({"touch", tricky.string()});

    EXPECT_TRUE(WaitFor([&] { return fs::exists(tricky); }));
    EXPECT_FALSE(fs::exists("x"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path("")), fs::directory_iterator()), 1);
    ChildrenAfterReaping();
}

TEST(CommandRunnerTest, ReadOutputGivesStandardOutputOfASuccessfulRun)
{
    CSpawnCommandRunner runner;

    EXPECT_EQ(runner.ReadOutput({"printf", "%s\\n", "line one", "line two"}), "line one\nline two\n");
    EXPECT_EQ(runner.ReadOutput({"false"}), std::nullopt);
    EXPECT_EQ(runner.ReadOutput({"/nonexistent/program"}), std::nullopt);
    EXPECT_EQ(runner.ReadOutput({}), std::nullopt);
    // A program that closes its output but never ends is given up, not waited for.
    EXPECT_EQ(runner.ReadOutput({"sh", "-c", "exec >&-; exec sleep 60"}), std::nullopt);
    EXPECT_TRUE(ChildrenAfterReaping().empty()) << "the program given up was left running or unreaped";
}

// The window and the storage worker may hand programs to one runner at the same moment: the
// first to need the reaper starts it, and ThreadSanitizer sees no race on it.
TEST(CommandRunnerTest, ProgramsStartedFromTwoThreadsAtOnceAreAllReaped)
{
    CSpawnCommandRunner runner;
    std::latch together(2);
    const auto start = [&] {
        together.arrive_and_wait();
        runner.StartDetached({"true"});
    };
    std::thread first(start);
    std::thread second(start);
    first.join();
    second.join();
    EXPECT_TRUE(ChildrenAfterReaping().empty());
}

TEST(CommandRunnerTest, EndingRunnerWaitsABoundedTimeAndLeavesARunningProgramRunning)
{
    std::vector<ChildProcess> running;
    const auto begin = std::chrono::steady_clock::now();
    {
        CSpawnCommandRunner runner;
        runner.StartDetached({"true"});
        runner.StartDetached({"sleep", "30"});
        for (int i = 0; i < 500 && Children().size() != 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        running = Children();
    }
    const auto took = std::chrono::steady_clock::now() - begin;
    const std::vector<ChildProcess> left = Children();
    for (const ChildProcess& child : left) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, nullptr, 0);
    }
    ASSERT_EQ(running.size(), 1u) << "the ended program was not reaped";
    EXPECT_LT(took, std::chrono::seconds(3)) << "the end waited for the running program";
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(left[0].state, 'Z') << "a started program is left running, not killed";
}

} // namespace
