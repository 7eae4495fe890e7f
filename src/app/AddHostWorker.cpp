#include "app/AddHostWorker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

struct CAddHostWorker::FileSteps::Shared
{
    std::mutex fileTurn; // held by the file step under way: one at a time
    std::mutex lock;
    std::condition_variable changed;
    bool closed = false; // guarded by lock, as is the count below: the worker is going
    int fileSteps = 0;   // file steps under way
};

struct CAddHostWorker::Running
{
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished; // set by the task's thread as its last act
};

bool CAddHostWorker::FileSteps::Run(const std::function<void()>& step)
{
    std::lock_guard turn(shared->fileTurn);
    {
        std::lock_guard hold(shared->lock);
        if (shared->closed)
            return false;
        ++shared->fileSteps;
    }
    step();
    std::lock_guard hold(shared->lock);
    --shared->fileSteps;
    shared->changed.notify_all();
    return true;
}

CAddHostWorker::CAddHostWorker() : shared(std::make_shared<FileSteps::Shared>()) {}

CAddHostWorker::~CAddHostWorker()
{
    {
        std::unique_lock hold(shared->lock);
        shared->closed = true;
        shared->changed.wait_for(hold, kExitGrace, [this] { return shared->fileSteps == 0; });
    }
    for (Running& task : running) {
        if (*task.finished)
            task.thread.join();
        else
            task.thread.detach(); // it ends with its look-up or its file step, touching only its share
    }
}

bool CAddHostWorker::Start(Task task)
{
    JoinFinished();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        running.reserve(running.size() + 1); // so the thread, once started, is always kept
        std::thread thread([task = std::move(task), steps = FileSteps(shared), finished]() mutable {
            task(steps);
            *finished = true;
        });
        running.push_back({std::move(thread), std::move(finished)});
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CAddHostWorker::JoinFinished()
{
    std::erase_if(running, [](Running& task) {
        if (!*task.finished)
            return false;
        task.thread.join(); // past its task: it is returning
        return true;
    });
}
