#include "app/DirectHostsReader.h"

#include "app/DirectHostsFile.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

struct CDirectHostsReader::Shared
{
    const std::wstring dataRoot;
    const Deliver deliver;
    const ReadHosts read;
    std::mutex lock;
    std::condition_variable changed;
    bool readAsked = false;  // guarded by lock, as are the four below
    bool reading = false;    // a read is under way
    bool delivering = false; // its addresses are being handed over
    bool closed = false;     // the reader is going: no further read starts
    bool abandoned = false;  // the reader has gone without the read under way
};

CDirectHostsReader::CDirectHostsReader(std::wstring dataRoot, Deliver deliver, ReadHosts read)
    : shared(std::make_shared<Shared>(std::move(dataRoot), std::move(deliver),
                                      read ? std::move(read) : ReadHosts(DirectHostsOf)))
{
}

CDirectHostsReader::~CDirectHostsReader()
{
    bool readHangs = false;
    {
        std::unique_lock lock(shared->lock);
        shared->closed = true;
        shared->changed.notify_all();
        readHangs = !shared->changed.wait_for(lock, kExitGrace, [this] { return !shared->reading; });
        shared->abandoned = readHangs;
        // A delivery under way only hands addresses over: it is waited for whatever it takes.
        shared->changed.wait(lock, [this] { return !shared->delivering; });
    }
    if (!thread.joinable())
        return;
    if (readHangs)
        thread.detach(); // it ends with its read, touching only its share
    else
        thread.join();
}

void CDirectHostsReader::Read()
{
    {
        std::lock_guard lock(shared->lock);
        shared->readAsked = true;
    }
    if (thread.joinable()) {
        shared->changed.notify_all();
        return;
    }
    try {
        thread = std::thread([shared = shared] { Serve(shared); });
    } catch (const std::system_error&) {
        shared->deliver(shared->read(shared->dataRoot)); // no thread to spare: read here
    }
}

void CDirectHostsReader::Serve(const std::shared_ptr<Shared>& shared)
{
    std::unique_lock lock(shared->lock);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->readAsked || shared->closed; });
        if (shared->closed)
            return;
        shared->readAsked = false;
        shared->reading = true;
        lock.unlock();
        std::vector<boost::asio::ip::address_v4> hosts = shared->read(shared->dataRoot);
        lock.lock();
        shared->reading = false;
        shared->changed.notify_all();
        if (shared->abandoned)
            return; // nobody to tell any more
        shared->delivering = true;
        lock.unlock();
        shared->deliver(std::move(hosts));
        lock.lock();
        shared->delivering = false;
        shared->changed.notify_all();
    }
}
