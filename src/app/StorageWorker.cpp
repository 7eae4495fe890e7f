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

CStorageWorker::CStorageWorker() : m_queue(std::make_unique<Queue>()) {}

CStorageWorker::~CStorageWorker()
{
    Finish(kExitGrace);
}

bool CStorageWorker::Post(const std::string& key, Request request)
{
    {
        const std::lock_guard lock(m_queue->lock);
        if (m_queue->bClosed)
            return false; // the program is ending
        if (!m_queue->keys.insert(key).second)
            return false; // this device's request has not run yet: one is enough
        m_queue->requests.emplace_back(key, std::move(request));
    }
    m_queue->changed.notify_all();
    if (m_thread.joinable())
        return true;
    try {
        m_thread = std::jthread([this](std::stop_token stop) { Serve(std::move(stop)); });
    } catch (const std::system_error&) {
        // No thread to spare: the request runs here rather than not at all.
        Request now;
        {
            const std::lock_guard lock(m_queue->lock);
            now = std::move(m_queue->requests.front().second);
            m_queue->requests.pop_front();
        }
        now(std::stop_token{});
        const std::lock_guard lock(m_queue->lock);
        m_queue->keys.erase(key);
    }
    return true;
}

bool CStorageWorker::Finish(std::chrono::milliseconds budget)
{
    bool bDone = false;
    {
        std::unique_lock lock(m_queue->lock);
        m_queue->bClosed = true;
        m_queue->changed.notify_all();
        bDone = m_queue->changed.wait_for(lock, budget,
                                          [this] { return m_queue->requests.empty() && !m_queue->bBusy; });
        if (!bDone)
            m_queue->requests.clear(); // their keys stay: nothing is taken any more
    }
    if (m_thread.joinable()) {
        if (!bDone)
            m_thread.request_stop(); // the request in hand ends at its next step
        m_thread.join();
    }
    return bDone;
}

void CStorageWorker::Serve(std::stop_token stop)
{
    std::unique_lock lock(m_queue->lock);
    for (;;) {
        m_queue->changed.wait(lock, [this] { return !m_queue->requests.empty() || m_queue->bClosed; });
        if (m_queue->requests.empty())
            return; // closed and nothing left
        auto [key, request] = std::move(m_queue->requests.front());
        m_queue->requests.pop_front();
        m_queue->bBusy = true;
        lock.unlock();
        request(stop);
        lock.lock();
        m_queue->keys.erase(key);
        m_queue->bBusy = false;
        m_queue->changed.notify_all();
    }
}
