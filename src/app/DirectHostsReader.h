#pragma once

// Reads the data folder's hosts file on a thread of its own, so a file on a network mount that
// hangs never holds up the window. Each search asks for a fresh read and goes out with the
// addresses of the last read that finished; the search's repeats take the fresh ones.

#include <boost/asio/ip/address_v4.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CDirectHostsReader
{
public:
    // Called on the reader's thread with the addresses of each read.
    using Deliver = std::function<void(std::vector<boost::asio::ip::address_v4>)>;
    // One read of the hosts file in the data folder.
    using ReadHosts = std::function<std::vector<boost::asio::ip::address_v4>(const std::wstring& dataRoot)>;

    // How long the end waits for a read under way. A read that takes longer (a network home
    // folder that hangs) goes on alone and its addresses go nowhere.
    static constexpr std::chrono::milliseconds kExitGrace{2000};

    // Nothing is read yet: the thread starts with the first read, which the window's first
    // search asks for after its first paint, so the reader never competes with the start-up.
    // read stands in for the file's read (empty: the real one).
    CDirectHostsReader(std::wstring dataRoot, Deliver deliver, ReadHosts read = {});
    // Ends the thread: at once when it waits, after the read under way when that ends
    // within kExitGrace, else without it (see kExitGrace). Nothing is delivered after it.
    ~CDirectHostsReader();
    CDirectHostsReader(const CDirectHostsReader&) = delete;
    CDirectHostsReader& operator=(const CDirectHostsReader&) = delete;

    // Returns at once; asks made during a read come to one more read after it. Called on the
    // owner's thread only.
    void Read();

private:
    // What the thread uses: its own share, so a read left behind touches nothing that goes
    // with the reader.
    struct Shared;
    static void Serve(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared;
    std::thread thread;
};
