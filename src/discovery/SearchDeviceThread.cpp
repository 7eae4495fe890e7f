#include "discovery/SearchDeviceThread.h"

#include <algorithm>
#include <array>
#include <exception>

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include "discovery/DiagnosticLog.h"
#include "discovery/DottedIPv4.h"
#include "os/SocketPlatform.h"

CSearchDeviceThread::CSearchDeviceThread(CDeviceReportSink* reportSink) : sink(reportSink) {}

CSearchDeviceThread::~CSearchDeviceThread()
{
    // The owner waits for the receive thread before deleting a worker; this is the last
    // line of defence for one that never started or was never told to exit.
    StopSocket();
    std::thread ending;
    {
        std::lock_guard lock(sockLock);
        ending = std::move(receiveThread);
    }
    if (ending.joinable())
        ending.join();
    boost::system::error_code ignored;
    sock.close(ignored);
}

void CSearchDeviceThread::InitSearchThread(const char* address, std::int32_t port, bool retryPort)
{
    strIP = address == nullptr ? "" : address;
    nPort.store(port);
    bTestPort = retryPort;
    {
        std::lock_guard lock(sockLock);
        if (life == Life::Exited)
            life = Life::Idle; // started again by its owner
    }
    WriteLog("SendThread %d : Init Search Device Work Thread Value, strIP : %s, nPort : %d  ", Port(),
             strIP.c_str(), Port());
    CreateWorkThread();
}

void CSearchDeviceThread::CreateWorkThread()
{
    WriteLog("SendThread %d : Create Search Device Work Thread%s", Port(), CreateLineEnd());
    try {
        StartReceiving();
    } catch (const std::exception& error) {
        FailCreate(error);
        if (RetriesOnNextPort())
            RetryOnNextPort();
    }
}

boost::asio::ip::address_v4 CSearchDeviceThread::BindAddress() const
{
    return boost::asio::ip::address_v4::any();
}

void CSearchDeviceThread::PrepareSocket(udp::socket&) {}

void CSearchDeviceThread::StartReceiving()
{
    std::lock_guard lock(sockLock);
    const bool restart = OnReceiveThread();
    if (life == Life::Exiting || life == Life::Exited)
        return; // the owner is shutting down: a restart must not bring the worker back
    if (!restart && life != Life::Idle)
        return; // already receiving on its thread
    boost::system::error_code ignored;
    sock.close(ignored); // the socket of a failed attempt, if any
    const boost::asio::ip::address_v4 local = BindAddress();
    socketplatform::OpenReceiveSocket(sock);
    socketplatform::PrepareReceiveSocket(sock, kReceiveBufferBytes);
    PrepareSocket(sock);
    sock.bind(udp::endpoint(local, static_cast<unsigned short>(Port())));
    counters.Bound(local.to_string(), Port());
    if (!restart) {
        if (receiveThread.joinable())
            receiveThread.join(); // a thread that gave up earlier: it has left the worker
        receiveThread = std::thread(&CSearchDeviceThread::ThreadMain, this);
    }
    life = Life::Receiving;
    createFailed = false;
}

void CSearchDeviceThread::FailCreate(const std::exception& error)
{
    {
        std::lock_guard lock(sockLock); // on the creating thread, which has the socket
        boost::system::error_code ignored;
        sock.close(ignored);
        createFailed = true;
    }
    counters.Unbound();
    if (const auto* socketError = dynamic_cast<const boost::system::system_error*>(&error))
        counters.Failed(WorkerStep::Bind, socketError->code(), Port());
    else
        counters.Failed(WorkerStep::Bind, error.what());
    WriteLog("SendThread %d : Create Search Device Work Thread Error : %s   ", Port(), error.what());
}

void CSearchDeviceThread::RetryOnNextPort()
{
    WriteLog("SendThread %d : Handle Create Search Device Work Thread Error  ", Port());
    std::int32_t count = 0;
    {
        std::lock_guard lock(sockLock);
        if (testCount >= kMaxPortRetries || life == Life::Exiting || life == Life::Exited)
            return;
        if (Port() >= kHighestPort) {
            WriteLog("SendThread %d : No Further Port To Test Above %d  ", Port(), kHighestPort);
            return;
        }
        count = ++testCount;
    }
    const std::int32_t port = ++nPort;
    WriteLog("SendThread %d : Test Create Search Device Work Thread, testCount = %d, port = %d  ", port,
             count, port);
    CreateWorkThread();
}

bool CSearchDeviceThread::CreateAgainIfFailed()
{
    {
        std::lock_guard lock(sockLock);
        // Idle: no thread runs that could bring the socket back meanwhile, and only the owner,
        // calling here, moves the worker on from this state.
        if (life != Life::Idle || !createFailed)
            return false;
    }
    CreateWorkThread();
    return true;
}

std::int32_t CSearchDeviceThread::TestCount() const
{
    std::lock_guard lock(sockLock);
    return testCount;
}

void CSearchDeviceThread::StopSocket()
{
    std::lock_guard lock(sockLock);
    boost::system::error_code ignored;
    if (OnReceiveThread()) {
        RunHandedOverLocked(); // on the old socket, as work handed over before the failure
        sock.close(ignored);   // a restart: the next create opens it again
        return;
    }
    switch (life) {
    case Life::Idle:
    case Life::Exited:
        life = Life::Exited;
        sock.close(ignored); // no thread in it
        break;
    case Life::Receiving:
    case Life::Restarting:
    case Life::Exiting:
        life = Life::Exiting;
        stateChanged.notify_all(); // ends a restart's pause
        // The socket is the receiver's: wake it, and it closes the socket itself.
        waker.Wake();
        break;
    }
}

bool CSearchDeviceThread::ThreadRunsLocked() const
{
    return life == Life::Receiving || life == Life::Restarting || life == Life::Exiting;
}

void CSearchDeviceThread::WithSocket(SocketWork work)
{
    std::lock_guard lock(sockLock);
    if (!ThreadRunsLocked() || OnReceiveThread()) {
        work(sock);
        return;
    }
    handedOver.push_back(std::move(work));
    if (handedOver.size() == 1) {
        waker.Wake();              // ends the receiver's wait for a datagram
        stateChanged.notify_all(); // and a restart's pause
    }
}

void CSearchDeviceThread::RunHandedOverLocked()
{
    std::vector<SocketWork> work;
    work.swap(handedOver);
    for (SocketWork& step : work)
        step(sock);
}

void CSearchDeviceThread::SendToTargets(std::string bytes, std::vector<udp::endpoint> targets,
                                        const char* failure)
{
    WithSocket([this, bytes = std::move(bytes), targets = std::move(targets), failure](udp::socket& socket) {
        for (const udp::endpoint& target : targets) {
            boost::system::error_code error;
            socket.send_to(boost::asio::buffer(bytes), target, 0, error);
            QuerySent(error);
            if (error)
                WriteLog("SendThread %d : %s : %s   ", Port(), failure, error.message().c_str());
        }
    });
}

void CSearchDeviceThread::ExitSearchThread()
{
    StopSocket();
    WriteLogStamped("SendThread %d : Exit Search Device Tread , bExitSock : %d  ", Port(), 1);
}

int CSearchDeviceThread::SendSearchCommand(const wire::SearchPacket&)
{
    return 0;
}

int CSearchDeviceThread::SendDirectSearch(const wire::SearchPacket&, const boost::asio::ip::address_v4&)
{
    return 0;
}

void CSearchDeviceThread::ResetDeviceInfo()
{
    std::lock_guard lock(deviceLock);
    lastDevice.Clear();
}

void CSearchDeviceThread::HandleRecvInfo(const char*, std::size_t, const char*) {}

void CSearchDeviceThread::RenewNetwork(const std::vector<LocalNetwork>& networks, bool)
{
    std::lock_guard lock(answerLock);
    answerNetworks = networks;
}

bool CSearchDeviceThread::RememberReport(const DeviceRecord& record, bool clearOnRepeat)
{
    std::lock_guard lock(deviceLock);
    if (record.type == wire::kReportByebye) {
        lastDevice.Clear();
        return true;
    }
    if (record == lastDevice) {
        if (clearOnRepeat)
            lastDevice.Clear();
        return false;
    }
    lastDevice = record;
    return true;
}

void CSearchDeviceThread::Report(const DeviceRecord& record)
{
    if (sink == nullptr)
        return;
    const WorkerCounters::Reporting reporting(counters); // the service counts what it did with it
    sink->OnDeviceFound(record, Port());
}

void CSearchDeviceThread::ThreadMain()
{
    do {
        WorkThread();
    } while (KeepReceiving()); // a restart brought the socket back: receive again
    std::lock_guard lock(sockLock);
    // Work handed over after the last look finds the socket as a caller would after the end.
    RunHandedOverLocked();
    life = life == Life::Exiting ? Life::Exited : Life::Idle;
    // Last touch of this object by the thread: the owner may join it and delete the worker.
    stateChanged.notify_all();
}

int CSearchDeviceThread::WorkThread()
{
    try {
        WriteLog("SendThread %d : Begin Search Device Work Thread  ", Port());
        std::array<char, kReceiveSize + 1> area;
        udp::endpoint sender(boost::asio::ip::address_v4::any(), 0);
        socketplatform::DatagramArrival arrival;
        while (KeepReceiving()) {
            WriteLog("SendThread %d : Wait Reciver Socket Protocol Info  ", Port());
            area.fill(0);
            boost::system::error_code error;
            std::size_t count =
                ReceiveNext(boost::asio::buffer(area.data(), kReceiveSize), sender, arrival, error);
            if (error)
                count = 0;
            WriteLog("SendThread %d : Reciver Socket Protocol Info, nReceive = %d  ", Port(),
                     static_cast<int>(count));
            if (count != 0) {
                failedRestarts = 0;
                counters.Received();
                // The socket is IPv4 only, so is every sender.
                const DottedText senderIP = FormatDottedIPv4(sender.address().to_v4());
                WriteLog("SendThread %d : Recive Socket Protocol IP : %s, nLen : %d  ", Port(),
                         senderIP.data(), static_cast<int>(count));
                datagramOrigin = Origin{arrival, sender.address().to_v4()};
                HandleRecvInfo(area.data(), count, senderIP.data());
                datagramOrigin.reset(); // what a parser called from elsewhere sees
                continue;
            }
            if (!error)
                continue; // an empty datagram is valid UDP and carries nothing, or an exit
            if (!BeginRestart())
                break; // woken by an exit
            WriteLog("SendThread %d : Reciver Socket Protocol Null Info, bExitSock = %d, "
                     "bRetartSock = %d  ",
                     Port(), 0, 0);
        }
        if (!ExitRequested()) {
            PaceRestart();
            ExitSearchThread();
            if (!ExitRequested())
                CreateWorkThread();
        } else {
            std::lock_guard lock(sockLock);
            RunHandedOverLocked(); // the group's leave at an exit, before the close
            boost::system::error_code ignored;
            sock.close(ignored);
        }
        WriteLogStamped("SendThread %d : Finish Search Device Work Thread  ", Port());
    } catch (const std::exception& error) {
        WriteLog("SendThread %d : Create Socket Protocolt Server Error : %s  ", Port(), error.what());
        BeginRestart(); // not receiving any more: the thread ends, the socket stays as it is
    }
    return 0;
}

bool CSearchDeviceThread::KeepReceiving()
{
    std::lock_guard lock(sockLock);
    RunHandedOverLocked();
    return life == Life::Receiving;
}

std::size_t CSearchDeviceThread::ReceiveNext(boost::asio::mutable_buffer area, udp::endpoint& sender,
                                             socketplatform::DatagramArrival& arrival,
                                             boost::system::error_code& error)
{
    // sock is not locked here: only this thread uses it while it receives.
    for (;;) {
        const std::size_t count = socketplatform::ReceiveDatagram(sock, area, sender, arrival, error);
        if (error != boost::asio::error::would_block)
            return count;
        error.clear();
        if (!AwaitDatagram())
            return 0;
    }
}

bool CSearchDeviceThread::AwaitDatagram()
{
    for (;;) {
        const bool readable = waker.WaitForDatagram(sock);
        if (!KeepReceiving())
            return false;
        if (readable)
            return true;
    }
}

bool CSearchDeviceThread::BeginRestart()
{
    std::lock_guard lock(sockLock);
    if (life != Life::Receiving)
        return life == Life::Restarting;
    life = Life::Restarting;
    return true;
}

void CSearchDeviceThread::PaceRestart()
{
    // A socket that fails again right after each restart must not make the worker spin.
    std::unique_lock lock(sockLock);
    const int doublings = std::min(failedRestarts, 16);
    const std::chrono::milliseconds delay =
        std::min<std::chrono::milliseconds>(firstRestartDelay * (1 << doublings), maxRestartDelay);
    ++failedRestarts;
    const auto until = std::chrono::steady_clock::now() + delay;
    // Work handed over meanwhile still runs, on the socket that failed.
    do {
        RunHandedOverLocked();
    } while (stateChanged.wait_until(lock, until, [this] {
        return life == Life::Exiting || !handedOver.empty();
    }) && life != Life::Exiting);
}

std::shared_ptr<boost::asio::io_context> CSearchDeviceThread::SharedSocketContext()
{
    static std::mutex lock;
    static std::weak_ptr<boost::asio::io_context> shared; // goes with the last worker's socket
    std::lock_guard guard(lock);
    std::shared_ptr<boost::asio::io_context> context = shared.lock();
    if (!context) {
        context = std::make_shared<boost::asio::io_context>();
        shared = context;
    }
    return context;
}

bool CSearchDeviceThread::ExitRequested() const
{
    std::lock_guard lock(sockLock);
    return life == Life::Exiting;
}

bool CSearchDeviceThread::WaitUntilStopped(std::chrono::steady_clock::time_point deadline)
{
    std::thread ended;
    {
        std::unique_lock lock(sockLock);
        const bool stopped = stateChanged.wait_until(
            lock, deadline, [this] { return life == Life::Idle || life == Life::Exited; });
        if (!stopped)
            return false;
        ended = std::move(receiveThread);
    }
    if (ended.joinable())
        ended.join(); // past its last touch of the worker: returns at once
    return true;
}

void CSearchDeviceThread::SetRestartPacing(std::chrono::milliseconds first, std::chrono::milliseconds most)
{
    std::lock_guard lock(sockLock);
    firstRestartDelay = first;
    maxRestartDelay = most;
}
