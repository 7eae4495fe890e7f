#include "discovery/SearchEventLoop.h"

#include "discovery/DiagnosticLog.h"

#include <boost/asio/post.hpp>

CSearchEventLoop::~CSearchEventLoop()
{
    Stop();
}

void CSearchEventLoop::Start(std::function<void()> resend, std::function<void()> onNetworkChange,
                             bool watchNetwork)
{
    if (thread.joinable())
        return;
    onResend = std::move(resend);
    stopRequested = false;
    work.emplace(io.get_executor());
    if (watchNetwork) {
        // Opened on the loop's thread, while the owner sends its first search.
        boost::asio::post(io, [this, onNetworkChange = std::move(onNetworkChange)]() mutable {
            watcher.emplace(io, std::move(onNetworkChange));
            boost::system::error_code error;
            if (!watcher->Start(error)) {
                if (error)
                    WriteLog("Watch Network Changes Error : %s  ", error.message().c_str());
                watcher.reset(); // no change messages here: each search checks instead
            }
        });
    }
    thread = std::thread([this] { io.run(); });
}

void CSearchEventLoop::ScheduleResends(const Delays& newDelays)
{
    if (!thread.joinable())
        return;
    const auto now = std::chrono::steady_clock::now();
    boost::asio::post(io, [this, newDelays, now] {
        delays = newDelays;
        scheduledAt = now;
        resendTimer.cancel();
        ArmNext(++generation, 0);
    });
}

void CSearchEventLoop::ArmNext(std::uint64_t armedGeneration, std::size_t index)
{
    if (index >= delays.size())
        return;
    resendTimer.expires_at(scheduledAt + delays[index]);
    resendTimer.async_wait([this, armedGeneration, index](const boost::system::error_code& error) {
        // A newer search replaced this schedule, even if this wake-up was already queued.
        if (error || armedGeneration != generation)
            return;
        onResend();
        ArmNext(armedGeneration, index + 1);
    });
}

void CSearchEventLoop::CheckAfter(std::chrono::milliseconds delay, std::function<void()> check)
{
    if (!thread.joinable())
        return;
    boost::asio::post(io, [this, delay, check = std::move(check)]() mutable {
        checkTimer.expires_after(delay); // cancels the wait of the check it replaces
        checkTimer.async_wait([check = std::move(check)](const boost::system::error_code& error) {
            if (!error)
                check();
        });
    });
}

void CSearchEventLoop::RequestStop()
{
    if (!thread.joinable() || stopRequested)
        return;
    stopRequested = true;
    boost::asio::post(io, [this] {
        resendTimer.cancel();
        checkTimer.cancel();
        if (watcher)
            watcher->Stop();
        work.reset();
        io.stop();
    });
}

void CSearchEventLoop::Stop()
{
    if (!thread.joinable())
        return;
    RequestStop();
    thread.join();
    watcher.reset();
}
