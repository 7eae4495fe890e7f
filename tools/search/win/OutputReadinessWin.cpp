#include "search/OutputReadiness.h"

#include <boost/asio/post.hpp>

// A console or pipe handle here cannot be watched by the context: the line is written at once
// (and a pipe whose reader has stopped holds the write up, as any program's).
struct COutputReadiness::Waiter
{
};

COutputReadiness::COutputReadiness(boost::asio::io_context& context)
    : io(context), waiter(std::make_unique<Waiter>())
{
}

COutputReadiness::~COutputReadiness() = default;

void COutputReadiness::WhenWritable(std::function<void()> then)
{
    boost::asio::post(io, std::move(then));
}
