#include "app/StorageWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>

// Shared with the thread, so a thread left running at the end never outlives what it uses.
struct CStorageWorker::Queue
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::function<void()>> requests;
    bool bBusy = false;
    bool bClosed = false;
};

CStorageWorker::CStorageWorker() : m_queue(std::make_shared<Queue>()) {}

CStorageWorker::~CStorageWorker()
{
    Finish(kExitGrace);
}

void CStorageWorker::Post(std::function<void()> request)
{
    {
        const std::lock_guard lock(m_queue->lock);
        if (m_queue->bClosed)
            return;  // the program is ending
        m_queue->requests.push_back(std::move(request));
    }
    m_queue->changed.notify_all();
    if (m_thread.joinable())
        return;
    try {
        m_thread = std::thread(&CStorageWorker::Serve, m_queue);
    } catch (const std::system_error&) {
        // No thread to spare: the request runs here rather than not at all.
        std::function<void()> now;
        {
            const std::lock_guard lock(m_queue->lock);
            now = std::move(m_queue->requests.front());
            m_queue->requests.pop_front();
        }
        now();
    }
}

bool CStorageWorker::Finish(std::chrono::milliseconds budget)
{
    if (m_bAbandoned)
        return false;
    bool bDone = false;
    {
        std::unique_lock lock(m_queue->lock);
        m_queue->bClosed = true;
        m_queue->changed.notify_all();
        bDone = m_queue->changed.wait_for(lock, budget,
                                          [this] { return m_queue->requests.empty() && !m_queue->bBusy; });
        if (!bDone)
            m_queue->requests.clear();
    }
    if (m_thread.joinable()) {
        if (bDone)
            m_thread.join();
        else
            m_thread.detach();  // stuck in another program; it ends with the process at the latest
    }
    m_bAbandoned = !bDone;
    return bDone;
}

void CStorageWorker::Serve(const std::shared_ptr<Queue>& queue)
{
    std::unique_lock lock(queue->lock);
    for (;;) {
        queue->changed.wait(lock, [&queue] { return !queue->requests.empty() || queue->bClosed; });
        if (queue->requests.empty())
            return;  // closed and nothing left
        std::function<void()> request = std::move(queue->requests.front());
        queue->requests.pop_front();
        queue->bBusy = true;
        lock.unlock();
        request();
        lock.lock();
        queue->bBusy = false;
        queue->changed.notify_all();
    }
}
