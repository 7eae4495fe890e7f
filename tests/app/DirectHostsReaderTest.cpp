#include "app/DirectHostsReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

using namespace std::chrono_literals;

namespace {

// A read of the hosts file that takes as long as the test says: `work`, or until let go.
struct SlowRead
{
    std::mutex lock;
    std::condition_variable released;
    bool letGo = false;
    std::atomic<bool> started{false};

    std::vector<boost::asio::ip::address_v4> Run(std::chrono::milliseconds work)
    {
        started = true;
        std::unique_lock hold(lock);
        released.wait_for(hold, work, [this] { return letGo; });
        return {boost::asio::ip::make_address_v4("198.18.0.9")};
    }
    void LetGo()
    {
        std::lock_guard hold(lock);
        letGo = true;
        released.notify_all();
    }
};

} // namespace

// The window's end waits for a read of hosts.txt only so long: one on a network home folder
// that hangs is left behind, and its addresses reach nobody.
TEST(DirectHostsReaderTest, EndWaitsForAReadUnderWayWithinTheGraceOnly)
{
    struct Case
    {
        const char* name;
        std::chrono::milliseconds work; // what the read under way still takes
        int delivered;                  // deliveries when the reader has gone
    };
    for (const Case& c : {Case{"ends in the grace", 100ms, 1}, Case{"hangs", 20s, 0}}) {
        // Shared with the reader's thread, which may outlive the case.
        auto read = std::make_shared<SlowRead>();
        auto delivered = std::make_shared<std::atomic<int>>(0);
        auto begin = std::chrono::steady_clock::now();
        {
            CDirectHostsReader reader(
                L"/data", [delivered](std::vector<boost::asio::ip::address_v4>) { ++*delivered; },
                [read, work = c.work](const std::wstring&) { return read->Run(work); });
            reader.Read();
            while (!read->started)
                std::this_thread::yield();
            begin = std::chrono::steady_clock::now();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - begin, CDirectHostsReader::kExitGrace + 1s) << c.name;
        EXPECT_EQ(*delivered, c.delivered) << c.name;
        read->LetGo();
    }
}
