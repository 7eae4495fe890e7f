#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "discovery/DeviceRecord.h"
#include "discovery/DeviceReportSink.h"
#include "discovery/LocalAddresses.h"
#include "discovery/SearchProtocol.h"
#include "discovery/WorkerCounters.h"

// Common base of the search workers: one UDP socket and one detached receive thread that
// hands every datagram to the class's parser. The subclasses specialise the virtual steps
// (create, exit, send, parse); the receive loop, restart and port retry live here.
//
// Threads: the owner (the search service) calls InitSearchThread, SendSearchCommand,
// ResetDeviceInfo and ExitSearchThread; the receive thread runs WorkThread and, after a
// failed receive, restarts the worker itself. The socket object is only changed under
// sockLock and never while another thread is blocked in it: an exit from outside shuts the
// socket down, which wakes the receiver, and the receiver closes it.
class CSearchDeviceThread
{
public:
    using udp = boost::asio::ip::udp;

    // Reports go to sink; with none they are parsed and dropped.
    explicit CSearchDeviceThread(CDeviceReportSink* sink = nullptr);
    virtual ~CSearchDeviceThread();
    CSearchDeviceThread(const CSearchDeviceThread&) = delete;
    CSearchDeviceThread& operator=(const CSearchDeviceThread&) = delete;

    // Opens and binds the socket and starts the receive thread.
    virtual void CreateWorkThread();
    // Stores the local address (null: any), port and retry setting, then creates.
    virtual void InitSearchThread(const char* strIP, std::int32_t nPort, bool bTestPort);
    // Asks the receive thread to end and releases the socket.
    virtual void ExitSearchThread();
    virtual int SendSearchCommand(const wire::SearchPacket& packet);
    // Forgets the last reported device, so the next search reports every device again.
    virtual void ResetDeviceInfo();
    // Renews what the socket holds of the network (group membership, outgoing interface)
    // when it may have gone stale; networkChanged says the local networks differ from the
    // last call's. Does nothing in the base.
    virtual void RenewNetwork(const std::vector<LocalNetwork>& networks, bool networkChanged);
    // The receive loop; runs on the worker's own thread.
    virtual int WorkThread();
    // data holds length bytes (1 to 1024) followed by at least one zero byte.
    virtual void HandleRecvInfo(const char* data, std::size_t length, const char* senderIP);

    std::int32_t Port() const { return nPort.load(); }
    const std::string& LocalIP() const { return strIP; }
    bool TestPort() const { return bTestPort; }
    std::int32_t TestCount() const;
    // What the worker did so far: bound, failed, sent, received, dropped, listed.
    WorkerSnapshot Diagnosis() const { return counters.Snapshot(); }
    // The worker's kind in one word, for diagnostics.
    virtual const char* KindName() const { return "worker"; }

    // Waits until every receive thread this worker started has ended. False on time-out.
    bool WaitUntilStopped(std::chrono::steady_clock::time_point deadline);
    // Delay before the first of a series of restarts and the most it grows to.
    void SetRestartPacing(std::chrono::milliseconds first, std::chrono::milliseconds most);

    static constexpr std::size_t kReceiveSize = 1024;
    static constexpr int kReceiveBufferBytes = 1 << 20;
    static constexpr std::int32_t kMaxPortRetries = 20;
    static constexpr std::int32_t kHighestPort = 65535;

protected:
    using SocketSetup = std::function<void(udp::socket&)>;

    // One create attempt under sockLock: clear the flags, open, setup (options, group),
    // bind to local and nPort, start the receive thread. Throws on failure; does nothing
    // once an exit was requested from outside.
    void StartReceiving(const boost::asio::ip::address_v4& local, const SocketSetup& setup);
    // Closes the socket and logs the create error.
    void FailCreate(const std::exception& error);
    // Moves to the next port and creates again, at most kMaxPortRetries times in a life.
    void RetryOnNextPort();
    // Sets bExitSock and wakes or closes the socket (see the class comment).
    void StopSocket();
    // Runs work with the socket under sockLock.
    template <typename Work>
    auto WithSocket(Work work)
    {
        std::lock_guard lock(sockLock);
        return work(sock);
    }

    // Decides whether a parsed record is a new report, and remembers it if so. A repeat of
    // the last report is refused (and, with clearOnRepeat, forgotten). A byebye is always
    // reported and forgets the last report, so the device's next alive counts as new.
    bool RememberReport(const DeviceRecord& record, bool clearOnRepeat);
    void Report(const DeviceRecord& record);

    std::string strIP;
    std::atomic<std::int32_t> nPort{wire::kFirstCommandPort};
    std::atomic<bool> bExitSock{false};
    std::atomic<bool> bRetartSock{false};
    bool bTestPort = false;
    WorkerCounters counters;

private:
    void ThreadMain();
    void PaceRestart();
    bool ExitRequested();

    CDeviceReportSink* sink;

    std::mutex deviceLock;   // guards lastDevice
    DeviceRecord lastDevice;

    mutable std::mutex sockLock;   // guards everything below, and sock against changes
    std::condition_variable stateChanged;
    boost::asio::io_context ioService;
    udp::socket sock{ioService};
    std::int32_t testCount = 0;
    std::thread::id receiver;          // thread blocked in (or about to enter) sock
    bool exitRequested = false;        // an exit from outside: no further restart
    int liveThreads = 0;
    std::chrono::milliseconds firstRestartDelay{100};
    std::chrono::milliseconds maxRestartDelay{3200};
    // Restarts since the last good receive. Touched only by the current receive thread;
    // each restart hands it on to the thread it starts.
    int failedRestarts = 0;
};
