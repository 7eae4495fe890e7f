#include "app/StorageWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>

struct CStorageWorker::Queue
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::string, Request>> requests;
    std::set<std::string> keys; // of the requests waiting and the one running
    bool bBusy = false;
    bool bClosed = false;
};

CStorageWorker::CStorageWorker() : queue(std::make_unique<Queue>()) {}

CStorageWorker::~CStorageWorker()
{
    Finish(kExitGrace);
}

bool CStorageWorker::Post(const std::string& key, Request request)
{
    {
        const std::lock_guard lock(queue->lock);
        if (queue->bClosed)
            return false; // the program is ending
        if (!queue->keys.insert(key).second)
            return false; // this device's request has not run yet: one is enough
        queue->requests.emplace_back(key, std::move(request));
    }
    queue->changed.notify_all();
    if (thread.joinable())
        return true;
    try {
        thread = std::jthread([this](std::stop_token stop) { Serve(std::move(stop)); });
    } catch (const std::system_error&) {
        // No thread to spare: the request runs here rather than not at all.
        Request now;
        {
            const std::lock_guard lock(queue->lock);
            now = std::move(queue->requests.front().second);
            queue->requests.pop_front();
        }
        now(std::stop_token{});
        const std::lock_guard lock(queue->lock);
        queue->keys.erase(key);
    }
    return true;
}

bool CStorageWorker::Finish(std::chrono::milliseconds budget)
{
    bool bDone = false;
    {
        std::unique_lock lock(queue->lock);
        queue->bClosed = true;
        queue->changed.notify_all();
        bDone = queue->changed.wait_for(lock, budget,
                                        [this] { return queue->requests.empty() && !queue->bBusy; });
        if (!bDone)
            queue->requests.clear(); // their keys stay: nothing is taken any more
    }
    if (thread.joinable()) {
        if (!bDone)
            thread.request_stop(); // the request in hand ends at its next step
        thread.join();
    }
    return bDone;
}

void CStorageWorker::Serve(std::stop_token stop)
{
    std::unique_lock lock(queue->lock);
    for (;;) {
        queue->changed.wait(lock, [this] { return !queue->requests.empty() || queue->bClosed; });
        if (queue->requests.empty())
            return; // closed and nothing left
        auto [key, request] = std::move(queue->requests.front());
        queue->requests.pop_front();
        queue->bBusy = true;
        lock.unlock();
        request(stop);
        lock.lock();
        queue->keys.erase(key);
        queue->bBusy = false;
        queue->changed.notify_all();
    }
}
