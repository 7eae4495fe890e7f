#include "DeviceSimulator.h"

#include "SimulatorSocket.h"

#include <algorithm>
#include <cstdio>
#include <random>

CDeviceSimulator::CDeviceSimulator(const SimulatorOptions& settings)
    : options(settings), responder(settings, std::random_device{}())
{
}

CDeviceSimulator::~CDeviceSimulator()
{
    simsocket::Close(broadcastSocket);
    simsocket::Close(ssdpSocket);
}

bool CDeviceSimulator::Open(std::string& error)
{
    if (options.broadcast) {
        broadcastSocket = simsocket::OpenShared(wire::kBroadcastDevicePort, error);
        if (broadcastSocket == simsocket::kNone)
            return false;
    }
    if (options.ssdp) {
        ssdpSocket = simsocket::OpenShared(wire::kSsdpPort, error);
        if (ssdpSocket == simsocket::kNone || !simsocket::JoinSsdpGroup(ssdpSocket, error))
            return false;
    }
    return true;
}

void CDeviceSimulator::Run()
{
    simsocket::CatchStopRequests();
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.seconds);
    nextAnnounce = Clock::now();
    AnnounceWhenDue();
    SendDue();
    const bool announcing = responder.SendsEverySecond();
    Clock::time_point nextRound = Clock::now() + std::chrono::seconds(1);
    while (!simsocket::StopRequested() && Clock::now() < deadline) {
        // The next round once the last one is out, so a slow link cannot pile them up.
        if (announcing && pending.empty() && Clock::now() >= nextRound) {
            Schedule(responder.Announce("ssdp:alive"));
            Schedule(responder.UnaskedAnswers());
            nextRound = Clock::now() + std::chrono::seconds(1);
        }
        const auto readable =
            simsocket::Wait({broadcastSocket, ssdpSocket},
                            WaitMilliseconds(announcing ? std::min(deadline, nextRound) : deadline));
        if (readable[0])
            Receive(broadcastSocket, QueryChannel::Broadcast);
        if (readable[1])
            Receive(ssdpSocket, QueryChannel::Ssdp);
        AnnounceWhenDue();
        SendDue();
    }
    // Answers still waiting are dropped: a device that leaves does not answer any more.
    pending = {};
    for (const OutgoingDatagram& datagram : responder.Announce("ssdp:byebye"))
        Send(datagram);
}

int CDeviceSimulator::WaitMilliseconds(Clock::time_point deadline) const
{
    Clock::time_point until = std::min(deadline, nextAnnounce);
    if (!pending.empty() && pending.top().due < until)
        until = pending.top().due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    return wait > 0 ? static_cast<int>(wait) : 0;
}

// Alive again every third of the max-age, as SSDP devices renew what they announced.
void CDeviceSimulator::AnnounceWhenDue()
{
    if (Clock::now() < nextAnnounce)
        return;
    Schedule(responder.Announce("ssdp:alive"));
    const std::int64_t renewal = std::clamp<std::int64_t>(options.maxAge / 3, 1, wire::kMaxMaxAge);
    nextAnnounce = Clock::now() + std::chrono::seconds(renewal);
}

void CDeviceSimulator::Receive(simsocket::Handle socket, QueryChannel channel)
{
    const std::optional<simsocket::Datagram> datagram = simsocket::ReceiveNow(socket);
    if (!datagram)
        return;
    std::vector<OutgoingDatagram> replies =
        responder.Reply(channel, datagram->bytes, datagram->address, datagram->port);
    if (!replies.empty()) {
        ++queries;
        if (options.logQueries)
            LogQuery(channel, datagram->address);
    }
    Schedule(std::move(replies));
}

void CDeviceSimulator::LogQuery(QueryChannel channel, std::uint32_t sender)
{
    const auto heard = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch());
    std::fprintf(stderr, "travelkin-devsim: %s query from %s heard at %.6f\n",
                 channel == QueryChannel::Broadcast ? "broadcast" : "ssdp", FormatIpv4(sender).c_str(),
                 heard.count());
}

void CDeviceSimulator::Schedule(std::vector<OutgoingDatagram> datagrams)
{
    const Clock::time_point now = Clock::now();
    for (OutgoingDatagram& datagram : datagrams) {
        const Clock::time_point due = now + std::chrono::milliseconds(datagram.delayMs);
        pending.push({due, order++, std::move(datagram)});
    }
}

void CDeviceSimulator::SendDue()
{
    const Clock::time_point now = Clock::now();
    while (!pending.empty() && pending.top().due <= now) {
        Send(pending.top().datagram);
        pending.pop();
    }
}

// Sends from the device's own address.
void CDeviceSimulator::Send(const OutgoingDatagram& datagram)
{
    const simsocket::Handle socket =
        datagram.channel == QueryChannel::Broadcast ? broadcastSocket : ssdpSocket;
    if (simsocket::SendFrom(socket, datagram.source, datagram.destination, datagram.port, datagram.payload,
                            lastError))
        ++sent;
    else
        ++failed;
}

std::string CDeviceSimulator::Summary() const
{
    return "answered " + std::to_string(queries) + " queries, sent " + std::to_string(sent) + " datagrams, " +
           std::to_string(failed) + " failed" + (failed ? " (" + lastError + ")" : "");
}
