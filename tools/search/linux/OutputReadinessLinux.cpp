#include "search/OutputReadiness.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>

struct COutputReadiness::Waiter
{
    explicit Waiter(boost::asio::io_context& io) : output(io)
    {
        // A copy of the descriptor, which the context may watch and close as its own.
        const int copy = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (copy < 0)
            return;
        boost::system::error_code error;
        output.assign(copy, error);
        if (error)
            ::close(copy);
    }

    boost::asio::posix::stream_descriptor output;
};

COutputReadiness::COutputReadiness(boost::asio::io_context& context)
    : io(context), waiter(std::make_unique<Waiter>(context))
{
}

COutputReadiness::~COutputReadiness() = default;

void COutputReadiness::WhenWritable(std::function<void()> then)
{
    // A pipe is writable while at least one page of it is free, so a line of up to 4096
    // bytes then goes in whole. Asked first, so the context only waits for a change: its
    // watch reports a descriptor that turns writable, not one that stays so.
    pollfd output{STDOUT_FILENO, POLLOUT, 0};
    if (!waiter->output.is_open() || ::poll(&output, 1, 0) != 0) {
        boost::asio::post(io, std::move(then));
        return;
    }
    waiter->output.async_wait(boost::asio::posix::stream_descriptor::wait_write,
                              [then = std::move(then)](const boost::system::error_code&) { then(); });
}
