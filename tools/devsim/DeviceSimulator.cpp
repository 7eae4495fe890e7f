#include "DeviceSimulator.h"

#include "SimulatorSocket.h"

#include <algorithm>
#include <cstdio>
#include <random>

CDeviceSimulator::CDeviceSimulator(const SimulatorOptions& options)
    : m_options(options), m_responder(options, std::random_device{}())
{
}

CDeviceSimulator::~CDeviceSimulator()
{
    simsocket::Close(m_broadcastSocket);
    simsocket::Close(m_ssdpSocket);
}

bool CDeviceSimulator::Open(std::string& error)
{
    if (m_options.broadcast) {
        m_broadcastSocket = simsocket::OpenShared(wire::kBroadcastDevicePort, error);
        if (m_broadcastSocket == simsocket::kNone)
            return false;
    }
    if (m_options.ssdp) {
        m_ssdpSocket = simsocket::OpenShared(wire::kSsdpPort, error);
        if (m_ssdpSocket == simsocket::kNone || !simsocket::JoinSsdpGroup(m_ssdpSocket, error))
            return false;
    }
    return true;
}

void CDeviceSimulator::Run()
{
    simsocket::CatchStopRequests();
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(m_options.seconds);
    m_nextAnnounce = Clock::now();
    AnnounceWhenDue();
    SendDue();
    const bool announcing = m_responder.SendsEverySecond();
    Clock::time_point nextAnnounce = Clock::now() + std::chrono::seconds(1);
    while (!simsocket::StopRequested() && Clock::now() < deadline) {
        // The next round once the last one is out, so a slow link cannot pile them up.
        if (announcing && m_pending.empty() && Clock::now() >= nextAnnounce) {
            Schedule(m_responder.Announce("ssdp:alive"));
            Schedule(m_responder.UnaskedAnswers());
            nextAnnounce = Clock::now() + std::chrono::seconds(1);
        }
        const auto readable =
            simsocket::Wait({m_broadcastSocket, m_ssdpSocket},
                            WaitMilliseconds(announcing ? std::min(deadline, nextAnnounce) : deadline));
        if (readable[0])
            Receive(m_broadcastSocket, QueryChannel::Broadcast);
        if (readable[1])
            Receive(m_ssdpSocket, QueryChannel::Ssdp);
        AnnounceWhenDue();
        SendDue();
    }
    // Answers still waiting are dropped: a device that leaves does not answer any more.
    m_pending = {};
    for (const OutgoingDatagram& datagram : m_responder.Announce("ssdp:byebye"))
        Send(datagram);
}

int CDeviceSimulator::WaitMilliseconds(Clock::time_point deadline) const
{
    Clock::time_point until = std::min(deadline, m_nextAnnounce);
    if (!m_pending.empty() && m_pending.top().due < until)
        until = m_pending.top().due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    return wait > 0 ? static_cast<int>(wait) : 0;
}

// Alive again every third of the max-age, as SSDP devices renew what they announced.
void CDeviceSimulator::AnnounceWhenDue()
{
    if (Clock::now() < m_nextAnnounce)
        return;
    Schedule(m_responder.Announce("ssdp:alive"));
    const std::int64_t renewal = std::clamp<std::int64_t>(m_options.maxAge / 3, 1, wire::kMaxMaxAge);
    m_nextAnnounce = Clock::now() + std::chrono::seconds(renewal);
}

void CDeviceSimulator::Receive(simsocket::Handle socket, QueryChannel channel)
{
    const std::optional<simsocket::Datagram> datagram = simsocket::ReceiveNow(socket);
    if (!datagram)
        return;
    std::vector<OutgoingDatagram> replies =
        m_responder.Reply(channel, datagram->bytes, datagram->address, datagram->port);
    if (!replies.empty()) {
        ++m_queries;
        if (m_options.logQueries)
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
        m_pending.push({due, m_order++, std::move(datagram)});
    }
}

void CDeviceSimulator::SendDue()
{
    const Clock::time_point now = Clock::now();
    while (!m_pending.empty() && m_pending.top().due <= now) {
        Send(m_pending.top().datagram);
        m_pending.pop();
    }
}

// Sends from the device's own address.
void CDeviceSimulator::Send(const OutgoingDatagram& datagram)
{
    const simsocket::Handle socket =
        datagram.channel == QueryChannel::Broadcast ? m_broadcastSocket : m_ssdpSocket;
    if (simsocket::SendFrom(socket, datagram.source, datagram.destination, datagram.port, datagram.payload,
                            m_lastError))
        ++m_sent;
    else
        ++m_failed;
}

std::string CDeviceSimulator::Summary() const
{
    return "answered " + std::to_string(m_queries) + " queries, sent " + std::to_string(m_sent) +
           " datagrams, " + std::to_string(m_failed) + " failed" + (m_failed ? " (" + m_lastError + ")" : "");
}
