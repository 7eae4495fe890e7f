#pragma once

// Shared helpers of the discovery tests: a recording report sink, a private log file,
// fixtures, loopback ports and bounded waits.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "discovery/DeviceReportSink.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/SearchDeviceThread.h"

namespace testsupport {

using namespace std::chrono_literals;
using udp = boost::asio::ip::udp;

inline constexpr auto kWait = 5s;

// Polls a condition until it holds or the bounded wait ends.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = kWait)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

struct Report
{
    DeviceRecord device;
    std::int32_t port;
};

class CapturingSink : public CDeviceReportSink
{
public:
    void OnDeviceFound(const DeviceRecord& device, std::int32_t nPort) override
    {
        std::lock_guard lock(mutex);
        reports.push_back({device, nPort});
    }
    std::vector<Report> Reports()
    {
        std::lock_guard lock(mutex);
        return reports;
    }
    std::size_t Count() { return Reports().size(); }

private:
    std::mutex mutex;
    std::vector<Report> reports;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Hands a datagram to a worker's parser the way the receive loop does: with a zero after it.
inline void Deliver(CSearchDeviceThread& worker, const std::string& bytes, const char* sender = "192.0.2.7")
{
    std::vector<char> area(bytes.begin(), bytes.end());
    area.push_back('\0');
    worker.HandleRecvInfo(area.data(), bytes.size(), sender);
}

inline std::string Fixture(const std::string& name)
{
    return ReadFile(std::string(TRAVELKIN_TEST_DATA_DIR) + "/discovery/" + name);
}

// Turns the log on into a file of its own for the life of the object.
class ScopedLogFile
{
public:
    ScopedLogFile()
        : path("/tmp/travelkin-discovery-" + std::to_string(::getpid()) + "-"
               + std::to_string(counter++) + ".log")
    {
        std::remove(path.c_str());
        SetLogPath(path);
        SetLogEnabled(true);
    }
    ~ScopedLogFile()
    {
        ClearLogSettings();
        std::remove(path.c_str());
    }
    ScopedLogFile(const ScopedLogFile&) = delete;
    ScopedLogFile& operator=(const ScopedLogFile&) = delete;

    std::string Text() const { return ReadFile(path); }
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }
    std::size_t CountOf(const std::string& part) const
    {
        const std::string text = Text();
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    const std::string path;

private:
    static inline std::atomic<int> counter{0};
};

// A loopback port that nothing is bound to right now.
inline std::uint16_t FreeLoopbackPort()
{
    boost::asio::io_context io;
    udp::socket socket(io, udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), 0));
    return socket.local_endpoint().port();
}

// Holds a loopback port for the life of the object.
class HeldPort
{
public:
    explicit HeldPort(std::uint16_t port)
        : socket(io, udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), port))
    {
    }

private:
    boost::asio::io_context io;
    udp::socket socket;
};

inline void SendToLoopback(std::uint16_t port, const std::string& payload)
{
    boost::asio::io_context io;
    udp::socket socket(io, udp::v4());
    socket.send_to(boost::asio::buffer(payload),
                   udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), port));
}

} // namespace testsupport
