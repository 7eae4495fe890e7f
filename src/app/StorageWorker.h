#pragma once

// Runs the My Storage requests on a thread of their own, one at a time and in the order they
// were made. Each request waits for other programs (the desktop's mount listing, the window
// system, the commands it starts and their pauses), which must never hold up the window.

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class CStorageWorker
{
public:
    // How long the end of the program waits for requests already made: a request the user
    // made just before closing the window is still carried out.
    static constexpr std::chrono::milliseconds kExitGrace{2000};

    CStorageWorker();
    // Finish(kExitGrace).
    ~CStorageWorker();
    CStorageWorker(const CStorageWorker&) = delete;
    CStorageWorker& operator=(const CStorageWorker&) = delete;

    // Queues the request and returns at once. Requests made after Finish are dropped.
    void Post(std::function<void()> request);

    // Takes no more requests and waits, at most `budget`, until every queued request has run.
    // True when they all ran. Otherwise the ones not yet started are dropped and the one
    // still running is left to end on its own.
    bool Finish(std::chrono::milliseconds budget);

private:
    struct Queue;
    static void Serve(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> m_queue;
    std::thread m_thread;
    bool m_bAbandoned = false;
};
