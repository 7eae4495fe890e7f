#pragma once

#include <chrono>
#include <functional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include "ChangeQueue.h"
#include "LineOutput.h"
#include "discovery/SearchDeviceService.h"

// Runs the command-line search on the caller's thread: registry changes, the timer and the
// stop signals (SIGINT, SIGTERM) all arrive as handlers of one I/O context, so the thread
// sleeps until one of them happens and nothing polls. Construct it before the service
// starts, so a stop signal is never met with the default action.
class CSearchSession
{
public:
    using ChangeHandler = std::function<void(const RegistryChange&)>;

    explicit CSearchSession(CSearchDeviceService& service);
    ~CSearchSession();
    CSearchSession(const CSearchSession&) = delete;
    CSearchSession& operator=(const CSearchSession&) = delete;

    // The handler runs inside Run, on this thread, once for every change, in order.
    void OnChange(ChangeHandler handler);
    // Calls work once, inside Run, after the delay; a later call replaces an earlier one.
    void After(std::chrono::steady_clock::duration delay, std::function<void()> work);
    // For a handler whose work goes on after it returns: no further change is handed out
    // (they wait, folded, in the queue) until Resume.
    void Hold() { holding = true; }
    void Resume();
    // Writes the line whole to standard output and then calls then once, inside Run; while the
    // output takes nothing, the signals and the timer have their turn. Dropped when Run ends
    // first (see CLineOutput for what becomes of a line cut short).
    void WriteLine(std::string line, std::function<void(bool written)> then);
    // Ends Run once the handler that calls it returns.
    void Stop();
    // Handles changes, the timer and the signals until Stop or a stop signal; a line the stop
    // cut short then gets its bounded chance to go out whole.
    void Run();
    bool StoppedBySignal() const { return stoppedBySignal; }
    // After the last Run: the changes still waiting are not handed out, and the memory they
    // and the queue's spare entries held goes back to the heap before the list is copied.
    void DropChanges() { changes.Clear(); }

private:
    void WaitForSignal();
    // Hands the oldest waiting change to the handler, then lets the stop signals and the
    // timer have their turn before the next one.
    void HandleNextChange();

    CSearchDeviceService& service;
    boost::asio::io_context io;
    boost::asio::signal_set stopSignals;
    boost::asio::steady_timer timer;
    CChangeQueue changes; // bounded however slowly the handler gets through them
    ChangeHandler changeHandler;
    CLineOutput output{io};
    bool holding = false;
    bool stoppedBySignal = false;
};
