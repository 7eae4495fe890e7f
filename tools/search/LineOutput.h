#pragma once

#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>

// Writes lines to standard output as handlers of an I/O context, so that an output that takes
// nothing for a while (a pipe whose reader has stopped, a terminal stopped by flow control or
// not read) holds up no other handler of the context, the stop signals above all. The
// descriptor the process was started with is shared with its caller (a shell goes on using its
// terminal): its flags are left as they were. Where the platform cannot wait for the output
// (Windows), where nothing could block (a regular file), or where the output cannot be opened
// once more as the process's own (a socket), a line is written at once. One file per platform.
class CLineOutput
{
public:
    explicit CLineOutput(boost::asio::io_context& io);
    ~CLineOutput();
    CLineOutput(const CLineOutput&) = delete;
    CLineOutput& operator=(const CLineOutput&) = delete;

    // Writes the line whole, the part the output cannot take yet once it has room, and then
    // calls then(true) inside the context's run. A write that fails calls then(false), and the
    // reason is kept for CloseStandardOutput. A stopped context drops the call.
    void Write(std::string line, std::function<void(bool written)> then);
    // After the context stopped: a line the stop cut short gets a second at most to go out
    // whole (a terminal stopped with Ctrl+S goes on with Ctrl+C), so what the reader sees ends
    // with a whole line where the output lets it, and the end is never held up for longer. A
    // line none of which went out is left out.
    void FinishLine();

private:
    struct Writer;
    void WriteRest(std::function<void(bool written)> then);

    boost::asio::io_context& io;
    std::unique_ptr<Writer> writer;
};
