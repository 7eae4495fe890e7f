#pragma once

#include <functional>
#include <memory>

#include <boost/asio/io_context.hpp>
#include <boost/system/error_code.hpp>

// Tells its owner when the machine's interfaces, addresses or routes have changed, so the
// search can renew what depends on them (group membership, outgoing interface, workers for
// new addresses). A burst of changes (an interface coming up with its address and routes)
// becomes one call, a moment after the burst. Runs on the given I/O context's thread and
// costs nothing while the network does not change.
//
// Each platform has its own implementation file; where the platform offers no change
// messages, the watcher never calls and the search checks the network at each search.
class CNetworkWatcher
{
public:
    CNetworkWatcher(boost::asio::io_context& io, std::function<void()> onChange);
    ~CNetworkWatcher();
    CNetworkWatcher(const CNetworkWatcher&) = delete;
    CNetworkWatcher& operator=(const CNetworkWatcher&) = delete;

    // Starts listening; false when the platform's change messages cannot be had, with the
    // system's reason in error when it gave one (none where the platform has no messages).
    bool Start(boost::system::error_code& error);
    // Stops listening; call on the I/O context's thread or after it has stopped.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
