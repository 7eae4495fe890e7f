#include "os/NetworkWatcher.h"

// Platforms without change messages: every search checks the network instead.
struct CNetworkWatcher::Impl
{
};

CNetworkWatcher::CNetworkWatcher(boost::asio::io_context&, std::function<void()>)
    : impl(std::make_unique<Impl>())
{
}

CNetworkWatcher::~CNetworkWatcher() = default;

bool CNetworkWatcher::Start(boost::system::error_code&)
{
    return false;
}

void CNetworkWatcher::Stop() {}
