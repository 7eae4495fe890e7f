#include "app/StorageWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>

struct CStorageWorker::Queue
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Request> requests;
    bool bBusy = false;
    bool bClosed = false;
};

CStorageWorker::CStorageWorker() : m_queue(std::make_unique<Queue>()) {}

CStorageWorker::~CStorageWorker()
{
    Finish(kExitGrace);
}

void CStorageWorker::Post(Request request)
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
        m_thread = std::jthread([this](std::stop_token stop) { Serve(std::move(stop)); });
    } catch (const std::system_error&) {
        // No thread to spare: the request runs here rather than not at all.
        Request now;
        {
            const std::lock_guard lock(m_queue->lock);
            now = std::move(m_queue->requests.front());
            m_queue->requests.pop_front();
        }
        now(std::stop_token{});
    }
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
            m_queue->requests.clear();
    }
    if (m_thread.joinable()) {
        if (!bDone)
            m_thread.request_stop();  // the request in hand ends at its next step
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
            return;  // closed and nothing left
        Request request = std::move(m_queue->requests.front());
        m_queue->requests.pop_front();
        m_queue->bBusy = true;
        lock.unlock();
        request(stop);
        lock.lock();
        m_queue->bBusy = false;
        m_queue->changed.notify_all();
    }
}
