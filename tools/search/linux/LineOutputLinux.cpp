#include "search/LineOutput.h"

#include "common/ToolOutput.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>

namespace {

// How long a line cut short by a stop may still take to go out whole.
constexpr std::chrono::milliseconds kFinishPatience{1000};

// Standard output's file (a terminal, a pipe) opened once more, non-blocking: a description of
// the process's own, whose flags are nobody else's, where the one it was started with is
// shared with the caller. A regular file never holds a write up (and opened anew would write
// past the caller's offset); a socket cannot be opened anew: both are written as they are (-1).
int OpenOwnDescription()
{
    struct stat shared = {};
    if (::fstat(STDOUT_FILENO, &shared) != 0 || !(S_ISCHR(shared.st_mode) || S_ISFIFO(shared.st_mode)))
        return -1;
    const int own = ::open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (own < 0)
        return -1;
    struct stat opened = {};
    if (::fstat(own, &opened) != 0 || opened.st_dev != shared.st_dev || opened.st_ino != shared.st_ino) {
        ::close(own);
        return -1;
    }
    return own;
}

} // namespace

struct CLineOutput::Writer
{
    explicit Writer(boost::asio::io_context& io) : output(io)
    {
        const int own = OpenOwnDescription();
        if (own < 0)
            return;
        boost::system::error_code error;
        output.assign(own, error);
        if (error)
            ::close(own);
    }

    // Writes what the output takes of the rest of the line now: 0 once it is all out, EAGAIN
    // while the output takes no more, or why the write failed.
    int WriteRest()
    {
        while (!rest.empty()) {
            const ssize_t written = ::write(output.native_handle(), rest.data(), rest.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return errno == EWOULDBLOCK ? EAGAIN : errno;
            rest.erase(0, static_cast<std::size_t>(written));
            begun = true;
        }
        return 0;
    }

    boost::asio::posix::stream_descriptor output;
    std::string rest;   // of the line being written
    bool begun = false; // some of it is out
};

CLineOutput::CLineOutput(boost::asio::io_context& context)
    : io(context), writer(std::make_unique<Writer>(context))
{
}

CLineOutput::~CLineOutput() = default;

void CLineOutput::Write(std::string line, std::function<void(bool written)> then)
{
    if (!writer->output.is_open()) {
        boost::asio::post(io, [line = std::move(line), then = std::move(then)] { then(WriteOut(line)); });
        return;
    }
    std::fflush(stdout); // what printf left in its buffer goes first
    writer->rest = std::move(line);
    writer->begun = false;
    WriteRest(std::move(then));
}

void CLineOutput::WriteRest(std::function<void(bool written)> then)
{
    const int error = writer->WriteRest();
    if (error == EAGAIN) {
        // Tried first, so the context waits for a change: its watch reports a descriptor that
        // turns writable, not one that stays so (a pseudo-terminal whose reader has stopped
        // reports room it does not take, and a wait for room would spin).
        writer->output.async_wait(boost::asio::posix::stream_descriptor::wait_write,
                                  [this, then = std::move(then)](const boost::system::error_code&) mutable {
                                      WriteRest(std::move(then));
                                  });
        return;
    }
    if (error != 0) {
        writer->rest.clear();
        NoteWriteFailure(error);
    }
    boost::asio::post(io, [then = std::move(then), written = error == 0] { then(written); });
}

void CLineOutput::FinishLine()
{
    if (!writer->begun || writer->rest.empty())
        return; // no line cut short: a line not begun is left out whole
    // Waits for the output to change, not for it to report room: a pseudo-terminal whose reader
    // has stopped reports room it does not take, and a wait for room would spin.
    const int changes = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event watched{};
    watched.events = EPOLLOUT | EPOLLET;
    if (changes < 0 || ::epoll_ctl(changes, EPOLL_CTL_ADD, writer->output.native_handle(), &watched) != 0) {
        if (changes >= 0)
            ::close(changes);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kFinishPatience;
    int error = 0;
    while ((error = writer->WriteRest()) == EAGAIN) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        epoll_event change{};
        if (left.count() <= 0 || ::epoll_wait(changes, &change, 1, static_cast<int>(left.count())) == 0)
            break; // cut short: the output took nothing for too long
    }
    ::close(changes);
    if (error != 0 && error != EAGAIN)
        NoteWriteFailure(error);
}
