#pragma once

// The slow steps of adding a device by address, off the window's thread: a host name's look-up
// through the system's resolver (a name server that hears and never answers holds it for as
// long as the resolver's time-outs) and each read or edit of hosts.txt (a home folder on a
// share that hangs holds it for as long as the share). The window owns it, so closing the
// dialog never waits for a step; the window's end waits for a file step under way within
// kExitGrace and for a look-up not at all.

#include "app/DirectHostsReader.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CAddHostWorker
{
public:
    // As the hosts file's reader: a file step that takes longer goes on alone.
    static constexpr std::chrono::milliseconds kExitGrace = CDirectHostsReader::kExitGrace;

    // What a task is given to reach the file: its file steps run one at a time among all the
    // tasks (so two edits never lose one another), and none starts once the worker is going.
    class FileSteps
    {
    public:
        // Runs the step; false, without running it, when the worker is going.
        bool Run(const std::function<void()>& step);

    private:
        friend class CAddHostWorker;
        struct Shared;
        explicit FileSteps(std::shared_ptr<Shared> workerShare) : shared(std::move(workerShare)) {}
        std::shared_ptr<Shared> shared;
    };
    // Runs on a thread of its own; it holds only what it captured and its FileSteps.
    using Task = std::function<void(FileSteps&)>;

    CAddHostWorker();
    // Returns at once unless a file step is under way, which is waited for within kExitGrace.
    // Tasks still running (a look-up, a file step that hangs) go on alone and start no file
    // step.
    ~CAddHostWorker();
    CAddHostWorker(const CAddHostWorker&) = delete;
    CAddHostWorker& operator=(const CAddHostWorker&) = delete;

    // Starts the task on a thread of its own; false when no thread could be had. Called on the
    // owner's thread only.
    bool Start(Task task);

private:
    struct Running;
    void JoinFinished();

    std::shared_ptr<FileSteps::Shared> shared;
    std::vector<Running> running;
};
