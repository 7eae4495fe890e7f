#pragma once

#include <functional>
#include <memory>

#include <boost/asio/io_context.hpp>

// Waits, as a handler of an I/O context, until standard output takes a line without
// blocking, so that a pipe whose reader has stopped reading holds up no other handler of the
// context (the stop signals above all). Where the platform cannot tell (Windows), or nothing
// could block (a regular file), the wait ends at once. One file per platform.
class COutputReadiness
{
public:
    explicit COutputReadiness(boost::asio::io_context& io);
    ~COutputReadiness();
    COutputReadiness(const COutputReadiness&) = delete;
    COutputReadiness& operator=(const COutputReadiness&) = delete;

    // Calls then once, inside the context's run, when standard output takes a line of up to
    // the pipe's atomic size (4096 bytes) whole; a wait that fails calls it too, and the
    // write then says why. A stopped context drops the call: nothing of the line is written.
    void WhenWritable(std::function<void()> then);

private:
    struct Waiter;
    boost::asio::io_context& io;
    std::unique_ptr<Waiter> waiter;
};
