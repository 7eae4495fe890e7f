#pragma once

// Helpers of the discovery tests: device reports, a recording report sink, a private log file, fixtures,
// loopback ports and bounded waits.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "discovery/DiagnosticLog.h"
#include "discovery/SearchDeviceThread.h"
#include "os/LocalFile.h"
#include "support/TestSystem.h"

namespace testsupport {

using namespace std::chrono_literals;
using udp = boost::asio::ip::udp;

// How long a test waits for something it expects: far beyond what it takes on a loaded
// machine, so only a real fault reaches it.
constexpr std::chrono::seconds kPatience{30};

template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds timeout = kPatience)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A report of a device of an accepted maker; an answer is one to a search under way.
inline DeviceRecord Device(const std::string& id, const std::string& ip,
                           std::int32_t type = wire::kReportAnswer, const char* vendor = "ZANDOVERT",
                           const char* host = "disk")
{
    DeviceRecord device;
    SetDeviceText(device.id, id);
    SetDeviceText(device.ip, ip);
    SetDeviceText(device.vendor, vendor);
    SetDeviceText(device.host, host);
    device.type = type;
    device.solicited = type == wire::kReportAnswer;
    return device;
}

// The i-th of many distinct addresses, none of them this machine's.
inline std::string Address(std::size_t i)
{
    return "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

// Records reports; the parser tests call it on their own thread only.
struct CapturingSink : CDeviceReportSink
{
    void OnDeviceFound(const DeviceRecord& device, std::int32_t) override { reports.push_back(device); }
    std::vector<DeviceRecord> reports;
};

inline std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(FileSystemPath(path), std::ios::binary).rdbuf();
    return text.str();
}

inline std::string Fixture(const std::string& name)
{
    return ReadFile(TRAVELKIN_TEST_DATA_DIR "/discovery/" + name);
}

// Hands a datagram to a worker's parser as the receive loop does: with a zero after it.
inline void Deliver(CSearchDeviceThread& worker, const std::string& bytes, const char* sender = "192.0.2.7")
{
    const std::string area = bytes + '\0';
    worker.HandleRecvInfo(area.data(), bytes.size(), sender);
}

// Turns the log on into a file of its own for the life of the object.
class ScopedLogFile
{
public:
    ScopedLogFile()
    {
        std::error_code ignored;
        std::filesystem::remove(FileSystemPath(path), ignored);
        SetLogPath(path);
        SetLogEnabled(true);
    }
    ~ScopedLogFile()
    {
        ClearLogSettings();
        std::error_code ignored;
        std::filesystem::remove(FileSystemPath(path), ignored);
    }
    std::string Text() const { return ReadFile(path); }
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }

    // Named in two scripts, as an account's folder may be: the log reaches it on every system.
    const std::string path = "/tmp/travelkin-discovery-Zo\xC3\xAB \xE6\x9D\x8E-" +
                             std::to_string(testsystem::ProcessNumber()) + "-" + std::to_string(counter++) +
                             ".log";

private:
    static inline std::atomic<int> counter{0};
};

inline udp::endpoint Loopback(std::uint16_t port)
{
    return {boost::asio::ip::make_address_v4("127.0.0.1"), port};
}

// Holds a loopback port (0: any free one) for the life of the object.
class HeldPort
{
public:
    explicit HeldPort(std::uint16_t port = 0) : socket(io, Loopback(port)) {}
    std::uint16_t Port() const { return socket.local_endpoint().port(); }

private:
    boost::asio::io_context io;
    udp::socket socket;
};

// A loopback port that was free a moment ago. Another program may take it before the caller
// binds it, so only a caller that finds out and tries again may use it.
inline std::uint16_t FreeLoopbackPort()
{
    return HeldPort().Port();
}

// Holds a loopback port that takes datagrams from itself only: whatever else is sent there
// finds no receiver and is answered "port unreachable". Held, the port cannot be taken by
// another program meanwhile.
class DeafPort
{
public:
    DeafPort() : socket(io, Loopback(0)) { socket.connect(socket.local_endpoint()); }
    udp::endpoint Endpoint() const { return socket.local_endpoint(); }

private:
    boost::asio::io_context io;
    udp::socket socket;
};

inline void SendToLoopback(std::uint16_t port, const std::string& payload)
{
    boost::asio::io_context io;
    udp::socket socket(io, udp::v4());
    socket.send_to(boost::asio::buffer(payload), Loopback(port));
}

} // namespace testsupport
