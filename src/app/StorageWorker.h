#pragma once

// Runs the My Storage requests on a thread of their own, one at a time and in the order they
// were made. Each request waits for other programs (the desktop's mount listing, the window
// system, the commands it starts and their pauses), which must never hold up the window.
// The thread is the only one My Storage uses: the share root opens on it as well.

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

class CStorageWorker
{
public:
    // A request gets the worker's stop token and ends at its next step once stop is asked.
    using Request = std::function<void(std::stop_token)>;

    // How long the end of the program waits for requests already made: a request the user
    // made just before closing the window is still carried out.
    static constexpr std::chrono::milliseconds kExitGrace{2000};

    CStorageWorker();
    // Finish(kExitGrace).
    ~CStorageWorker();
    CStorageWorker(const CStorageWorker&) = delete;
    CStorageWorker& operator=(const CStorageWorker&) = delete;

    // Queues the request and returns at once; true when it was taken. A request for a device
    // (key) that already has one waiting or running is refused until that one has run, as
    // are requests made after Finish.
    bool Post(const std::string& key, Request request);

    // Takes no more requests and waits, at most `budget`, until every queued request has run.
    // True when they all ran. Otherwise the ones not yet started are dropped and the one
    // still running is asked to stop. Either way the thread is joined before Finish returns:
    // the wait past `budget` is the rest of the running request's current step (one mount
    // listing at most, which its command runner gives up after a few seconds).
    bool Finish(std::chrono::milliseconds budget);

private:
    struct Queue;
    void Serve(std::stop_token stop);

    std::unique_ptr<Queue> queue;
    std::jthread thread;
};
