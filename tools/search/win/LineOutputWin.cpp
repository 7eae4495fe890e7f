#include "search/LineOutput.h"

#include "common/ToolOutput.h"

#include <boost/asio/post.hpp>

// A console or pipe handle here cannot be watched by the context: the line is written at once
// (and a pipe whose reader has stopped holds the write up, as any program's). Nothing is left
// of a line when the context stops.
struct CLineOutput::Writer
{
};

CLineOutput::CLineOutput(boost::asio::io_context& context) : io(context), writer(std::make_unique<Writer>())
{
}

CLineOutput::~CLineOutput() = default;

void CLineOutput::Write(std::string line, std::function<void(bool written)> then)
{
    boost::asio::post(io, [line = std::move(line), then = std::move(then)] { then(WriteOut(line)); });
}

void CLineOutput::FinishLine() {}
