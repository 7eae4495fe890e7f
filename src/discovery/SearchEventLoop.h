#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include "os/NetworkWatcher.h"

// The search service's own thread: sends the repeats of a search at their times and hears
// the network's change messages. Sleeps without a time-out whenever neither is due, so it
// costs nothing while the program waits.
//
// Threads: Start, ScheduleResends, RequestStop and Stop run on the owner's thread; the two callbacks run
// on the loop's thread, one at a time.
class CSearchEventLoop
{
public:
    using Delays = std::vector<std::chrono::milliseconds>;

    CSearchEventLoop() = default;
    ~CSearchEventLoop();
    CSearchEventLoop(const CSearchEventLoop&) = delete;
    CSearchEventLoop& operator=(const CSearchEventLoop&) = delete;

    // Starts the thread. onResend runs at each scheduled repeat; onNetworkChange, when
    // watchNetwork is set, after the network changed.
    void Start(std::function<void()> onResend, std::function<void()> onNetworkChange, bool watchNetwork);
    // Replaces any repeats still pending by one at each delay after now (delays ascending).
    void ScheduleResends(const Delays& delays);
    // Runs check once on the loop's thread, delay after the loop takes the request, in place of
    // a check still pending; does nothing when the loop is not running.
    void CheckAfter(std::chrono::milliseconds delay, std::function<void()> check);
    // Asks the thread to cancel what is pending and end, without waiting for it: the owner
    // can stop other threads meanwhile. A callback already running finishes.
    void RequestStop();
    // Cancels what is pending and ends the thread; the callbacks do not run after it returns.
    void Stop();

private:
    void ArmNext(std::uint64_t generation, std::size_t index);

    boost::asio::io_context io;
    std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work;
    boost::asio::steady_timer resendTimer{io};
    boost::asio::steady_timer checkTimer{io};
    std::optional<CNetworkWatcher> watcher; // loop thread only, until the thread is joined
    std::function<void()> onResend;
    std::thread thread;
    bool stopRequested = false; // owner's thread only
    // Loop thread only: the current schedule, and its number so a stale wake-up is ignored.
    std::uint64_t generation = 0;
    Delays delays;
    std::chrono::steady_clock::time_point scheduledAt;
};
