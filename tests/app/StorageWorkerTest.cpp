#include "app/StorageWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST(StorageWorkerTest, ExitJoinsTheThreadWithinTheGraceAndTheRequestInHandsStep)
{
    using namespace std::chrono_literals;
    struct Case
    {
        const char* name;
        std::chrono::milliseconds work; // what the request in hand still does
        bool done;                      // Finish's answer
    };
    for (const Case& c : {Case{"ends in the grace", 100ms, true}, Case{"asked to stop", 10s, false}}) {
        std::atomic<bool> ended{false};
        std::atomic<int> later{0};
        CStorageWorker worker;
        worker.Post("a", [&](std::stop_token stop) {
            const auto until = std::chrono::steady_clock::now() + c.work;
            while (std::chrono::steady_clock::now() < until && !stop.stop_requested())
                std::this_thread::sleep_for(5ms); // one step of a request
            ended = true;
        });
        worker.Post("b", [&](std::stop_token) { ++later; });
        EXPECT_FALSE(worker.Post("b", [&](std::stop_token) { ++later; }))
            << c.name << ": one waiting per device";
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(worker.Finish(500ms), c.done) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s) << c.name;
        EXPECT_TRUE(ended) << c.name << ": Finish returned while the thread still ran";
        EXPECT_EQ(later, c.done ? 1 : 0) << c.name << ": a request not started by then is dropped";
        EXPECT_FALSE(worker.Post("c", [&](std::stop_token) { ++later; }));
        EXPECT_EQ(later, c.done ? 1 : 0) << c.name << ": nothing runs after Finish";
    }
}
