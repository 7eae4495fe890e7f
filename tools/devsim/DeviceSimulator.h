#pragma once

#include "SimulatorResponder.h"
#include "SimulatorSocket.h"

#include <chrono>
#include <cstdint>
#include <queue>
#include <string>
#include <vector>

// Runs the simulated devices on real sockets: listens on port 68 (broadcast query) and on the
// SSDP group, sends what the responder decides, each datagram from its device's own address,
// and stops after the given time or on SIGINT/SIGTERM, saying byebye first.
class CDeviceSimulator
{
public:
    explicit CDeviceSimulator(const SimulatorOptions& options);
    ~CDeviceSimulator();
    CDeviceSimulator(const CDeviceSimulator&) = delete;
    CDeviceSimulator& operator=(const CDeviceSimulator&) = delete;

    // Opens the sockets; false with a reason when that fails.
    bool Open(std::string& error);
    void Run();
    std::string Summary() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Pending
    {
        Clock::time_point due;
        std::uint64_t order;
        OutgoingDatagram datagram;
        bool operator>(const Pending& other) const
        {
            return due != other.due ? due > other.due : order > other.order;
        }
    };

    void Receive(simsocket::Handle socket, QueryChannel channel);
    // With --log-queries: when a query was heard, to the microsecond, for timing from outside.
    void LogQuery(QueryChannel channel, std::uint32_t sender);
    void Schedule(std::vector<OutgoingDatagram> datagrams);
    void SendDue();
    void Send(const OutgoingDatagram& datagram);
    int WaitMilliseconds(Clock::time_point deadline) const;
    void AnnounceWhenDue();

    SimulatorOptions options;
    CSimulatorResponder responder;
    simsocket::Handle broadcastSocket = simsocket::kNone;
    simsocket::Handle ssdpSocket = simsocket::kNone;
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending;
    Clock::time_point nextAnnounce;
    std::uint64_t order = 0;
    std::uint64_t queries = 0;
    std::uint64_t sent = 0;
    std::uint64_t failed = 0;
    std::string lastError;
};
