#pragma once

// Reads the data folder's hosts file on a thread of its own, so a file on a network mount that
// hangs never holds up the window. Each search asks for a fresh read and goes out with the
// addresses of the last read that finished; the search's repeats take the fresh ones.

#include <boost/asio/ip/address_v4.hpp>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CDirectHostsReader
{
public:
    // Called on the reader's thread with the addresses of each read.
    using Deliver = std::function<void(std::vector<boost::asio::ip::address_v4>)>;

    // Nothing is read yet: the thread starts with the first read, which the window's first
    // search asks for after its first paint, so the reader never competes with the start-up.
    CDirectHostsReader(std::wstring dataRoot, Deliver deliver);
    // Stops the thread (its wait ends with the stop) after the read under way, if any.
    ~CDirectHostsReader() = default;
    CDirectHostsReader(const CDirectHostsReader&) = delete;
    CDirectHostsReader& operator=(const CDirectHostsReader&) = delete;

    // Returns at once; asks made during a read come to one more read after it. Called on the
    // owner's thread only.
    void Read();

private:
    void Serve(std::stop_token stop);

    const std::wstring m_dataRoot;
    const Deliver m_deliver;
    std::mutex m_lock;
    std::condition_variable_any m_asked;
    bool m_readAsked = false;  // guarded by m_lock
    std::jthread m_thread;     // last: it goes first
};
