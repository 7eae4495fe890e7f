#include "SearchSession.h"

#include <csignal>

#include <boost/asio/post.hpp>

CSearchSession::CSearchSession(CSearchDeviceService& searchService)
    : service(searchService), stopSignals(io, SIGINT, SIGTERM), timer(io)
{
    WaitForSignal();
    // Workers report on their own threads; the change is carried over to Run's thread.
    service.Registry().SetListener([this](const RegistryChange& change) {
        if (changes.Push(change))
            boost::asio::post(io, [this] { HandleNextChange(); });
    });
}

void CSearchSession::HandleNextChange()
{
    if (holding)
        return; // Resume hands out the next one
    const std::optional<RegistryChange> change = changes.Pop();
    if (!change)
        return;
    if (changeHandler)
        changeHandler(*change);
    if (!holding)
        boost::asio::post(io, [this] { HandleNextChange(); });
}

void CSearchSession::Resume()
{
    holding = false;
    boost::asio::post(io, [this] { HandleNextChange(); });
}

void CSearchSession::WriteLine(std::string line, std::function<void(bool written)> then)
{
    output.Write(std::move(line), std::move(then));
}

CSearchSession::~CSearchSession()
{
    service.Registry().SetListener({});
}

void CSearchSession::OnChange(ChangeHandler handler)
{
    changeHandler = std::move(handler);
}

void CSearchSession::After(std::chrono::steady_clock::duration delay, std::function<void()> work)
{
    timer.expires_after(delay);
    timer.async_wait([work = std::move(work)](const boost::system::error_code& error) {
        if (!error)
            work();
    });
}

void CSearchSession::Stop()
{
    io.stop();
}

void CSearchSession::Run()
{
    io.restart();
    io.run();
    output.FinishLine();
}

void CSearchSession::WaitForSignal()
{
    stopSignals.async_wait([this](const boost::system::error_code& error, int) {
        if (error)
            return;
        stoppedBySignal = true;
        io.stop();
    });
}
