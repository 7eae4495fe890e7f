#include "os/NetworkWatcher.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <boost/asio/generic/raw_protocol.hpp>
#include <boost/asio/steady_timer.hpp>

namespace {

using Protocol = boost::asio::generic::raw_protocol;

// Long enough for an interface's link, address and route messages to arrive together.
constexpr std::chrono::milliseconds kSettleTime{200};

// Link state, IPv4 addresses and IPv4 routes: what decides where a search goes out.
constexpr unsigned kGroups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;

Protocol::endpoint KernelGroups()
{
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kGroups;
    return {&address, sizeof address, NETLINK_ROUTE};
}

} // namespace

struct CNetworkWatcher::Impl
{
    Impl(boost::asio::io_context& io, std::function<void()> notify)
        : socket(io), settle(io), onChange(std::move(notify))
    {
    }

    void Receive()
    {
        socket.async_receive(boost::asio::buffer(buffer),
                             [this](const boost::system::error_code& error, std::size_t) {
                                 if (error == boost::asio::error::operation_aborted || !socket.is_open())
                                     return;
                                 // Any message, and a lost one (the queue overflowed), may be a change.
                                 Settle();
                                 Receive();
                             });
    }

    void Settle()
    {
        if (settling)
            return;
        settling = true;
        settle.expires_after(kSettleTime);
        settle.async_wait([this](const boost::system::error_code& error) {
            settling = false;
            if (!error && socket.is_open())
                onChange();
        });
    }

    Protocol::socket socket;
    boost::asio::steady_timer settle;
    std::function<void()> onChange;
    std::array<char, 8192> buffer{};
    bool settling = false;
};

CNetworkWatcher::CNetworkWatcher(boost::asio::io_context& io, std::function<void()> onChange)
    : impl(std::make_unique<Impl>(io, std::move(onChange)))
{
}

CNetworkWatcher::~CNetworkWatcher() = default;

bool CNetworkWatcher::Start(boost::system::error_code& error)
{
    // Kept from the programs the process starts from its first moment, as the workers' sockets.
    const int handle = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (handle < 0) {
        error.assign(errno, boost::system::system_category());
        return false;
    }
    impl->socket.assign(Protocol(AF_NETLINK, NETLINK_ROUTE), handle, error);
    if (error)
        ::close(handle);
    else
        impl->socket.bind(KernelGroups(), error);
    if (error) {
        boost::system::error_code ignored;
        impl->socket.close(ignored);
        return false;
    }
    impl->Receive();
    return true;
}

void CNetworkWatcher::Stop()
{
    boost::system::error_code ignored;
    impl->settle.cancel();
    impl->socket.close(ignored);
}
