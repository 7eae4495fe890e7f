#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "discovery/DeviceRecord.h"
#include "discovery/DeviceReportSink.h"
#include "discovery/SearchProtocol.h"
#include "discovery/WorkerCounters.h"
#include "os/LocalAddresses.h"
#include "os/SocketPlatform.h"

// Common base of the search workers: one UDP socket and one receive thread, owned by the
// worker and joined before it goes, that hands every datagram to the class's parser. The
// subclasses give what differs (the bound address, the socket's options, the port retry,
// send, parse); the create, the receive loop, the restart and the port retry live here.
//
// Threads: the owner (the search service) calls InitSearchThread, SendSearchCommand,
// ResetDeviceInfo, ExitSearchThread and WaitUntilStopped; the receive thread runs WorkThread
// and, after a failed receive, re-creates the socket and receives again on the same thread,
// so a worker never has more than one thread. The socket belongs to one thread at a time:
// while the receive thread runs, no other thread touches it. The sends, the renewals and the
// leave of the group at an exit are handed to the receive thread (WithSocket), which waits
// for a datagram and for a wake at once (socketplatform::ReceiveWaker) and runs the work
// between two datagrams. An exit from outside marks the worker as exiting and
// wakes the thread, which runs what was handed over and closes the socket itself. Without a
// receive thread (before the start, after the end) the caller uses the socket
// under sockLock.
class CSearchDeviceThread
{
public:
    using udp = boost::asio::ip::udp;

    // Reports go to sink; with none they are parsed and dropped.
    explicit CSearchDeviceThread(CDeviceReportSink* sink = nullptr);
    virtual ~CSearchDeviceThread();
    CSearchDeviceThread(const CSearchDeviceThread&) = delete;
    CSearchDeviceThread& operator=(const CSearchDeviceThread&) = delete;

    // Opens, prepares and binds the socket and starts the receive thread (on the receive
    // thread itself, after a failed receive, it only brings the socket back). A failed create
    // is logged and, where the class retries, tried again on the next port.
    virtual void CreateWorkThread();
    // Stores the local address (null: any), port and retry setting, then creates.
    virtual void InitSearchThread(const char* strIP, std::int32_t nPort, bool bTestPort);
    // Asks the receive thread to end and releases the socket.
    virtual void ExitSearchThread();
    // A worker left without a socket because its last create failed (its port was taken)
    // creates once more; true when it tried. Does nothing for a worker told to exit.
    bool CreateAgainIfFailed();
    virtual int SendSearchCommand(const wire::SearchPacket& packet);
    // Sends the worker's search to one address instead of the group or the broadcast
    // address, for a device that broadcast and multicast do not reach. Returns 0.
    virtual int SendDirectSearch(const wire::SearchPacket& packet, const boost::asio::ip::address_v4& host);
    // Forgets the last reported device, so the next search reports every device again.
    virtual void ResetDeviceInfo();
    // Renews what the socket holds of the network (group membership, outgoing interface)
    // when it may have gone stale; networkChanged says the local networks differ from the
    // last call's. The base keeps the networks, which tell an answer from a forged one (see
    // MayBeAnswer); a class that renews more calls it first.
    virtual void RenewNetwork(const std::vector<LocalNetwork>& networks, bool networkChanged);
    // The receive loop; runs on the worker's own thread.
    virtual int WorkThread();
    // data holds length bytes (1 to 1024) followed by at least one zero byte.
    virtual void HandleRecvInfo(const char* data, std::size_t length, const char* senderIP);

    std::int32_t Port() const { return nPort.load(); }
    const std::string& LocalIP() const { return strIP; }
    bool TestPort() const { return bTestPort; }
    std::int32_t TestCount() const;
    // What the worker did in the last search (its counts) and is (bound, failed steps).
    WorkerSnapshot Diagnosis() const { return counters.Snapshot(); }
    // A new search begins: the counts start again (WorkerCounters::StartSearch).
    void StartSearchCounts() { counters.StartSearch(); }
    // The worker's kind in one word, for diagnostics.
    virtual const char* KindName() const { return "worker"; }

    // Waits until the receive thread has ended, and joins it. False on time-out (the thread
    // is then still the worker's, and the destructor joins it).
    bool WaitUntilStopped(std::chrono::steady_clock::time_point deadline);
    // Delay before the first of a series of restarts and the most it grows to.
    void SetRestartPacing(std::chrono::milliseconds first, std::chrono::milliseconds most);
    // How long after a query of this worker a datagram counts as an answer to it.
    void SetAnswerWindow(std::chrono::milliseconds window);
    // Whether a datagram that arrived so may answer one of this worker's queries. It was sent
    // to an address of the interface it came in on, as an answer is (not to a group or a
    // broadcast address, nor where the platform did not tell), and it came from a network of
    // that interface, which the group and broadcast queries never leave; an address queried
    // directly (queriedDirectly) may answer from anywhere.
    static bool MayBeAnswer(const socketplatform::DatagramArrival& arrival,
                            const boost::asio::ip::address_v4& sender,
                            const std::vector<LocalNetwork>& networks, bool queriedDirectly);

    static constexpr std::size_t kReceiveSize = 1024;
    static constexpr int kReceiveBufferBytes = 1 << 20;
    static constexpr std::int32_t kMaxPortRetries = 20;
    static constexpr std::int32_t kHighestPort = 65535;

protected:
    // What the create of a class differs in. The address the socket binds to (any address
    // unless the class is bound to strIP; may throw for a text that is not an address).
    virtual boost::asio::ip::address_v4 BindAddress() const;
    // Sets the socket's options (broadcast, a shared port, the group) between open and bind.
    virtual void PrepareSocket(udp::socket& socket);
    // Whether a failed create tries the next port.
    virtual bool RetriesOnNextPort() const { return false; }
    // The blanks that end the create line of the log.
    virtual const char* CreateLineEnd() const { return "   "; }

    // Stops the receive loop: from outside, the worker exits (no restart) and the receiver
    // is woken; from the receive thread (a restart), the socket is closed. See the class
    // comment.
    void StopSocket();
    using SocketWork = std::function<void(udp::socket&)>;
    // Runs work with the socket, under sockLock, on the thread the socket belongs to: while
    // the receive thread runs, work from another thread is handed to it and this returns at
    // once; otherwise (no receive thread, or on it) the work runs here and now.
    void WithSocket(SocketWork work);
    // Sends the bytes to each target through WithSocket, counting each send; a failed one is
    // logged as "SendThread <port> : <failure> : <reason>".
    void SendToTargets(std::string bytes, std::vector<udp::endpoint> targets, const char* failure);

    // Decides whether a parsed record is a new report, and remembers it if so. A repeat of
    // the last report is refused (and, with clearOnRepeat, forgotten). A byebye is always
    // reported and forgets the last report, so the device's next alive counts as new.
    bool RememberReport(const DeviceRecord& record, bool clearOnRepeat);
    void Report(const DeviceRecord& record);
    // Counts a send; one that went out opens the answer window.
    void QuerySent(const boost::system::error_code& error);
    // Whether the datagram in hand counts as an answer: it reached this worker within the
    // answer window of its last query, and MayBeAnswer says it may be one. On the receive
    // thread (or the thread that hands the parser a datagram).
    bool AnswerExpected() const;
    // Notes a query sent to this address alone (a direct host), which may answer from
    // anywhere within the answer window.
    void QueriedDirectly(const boost::asio::ip::address_v4& host);

    std::string strIP;
    std::atomic<std::int32_t> nPort{wire::kFirstCommandPort};
    bool bTestPort = false;
    WorkerCounters counters;

private:
    // The worker's life. The receive thread runs in Receiving, Restarting and Exiting only.
    enum class Life
    {
        Idle,       // no thread: not created yet, the create failed, or a restart gave up
        Receiving,  // the thread receives on the bound socket
        Restarting, // a receive failed on its own: the thread brings the socket back
        Exiting,    // told to exit from outside: the thread ends, nothing restarts
        Exited,     // told to exit, and the thread is gone
    };

    // One create attempt under sockLock: open, PrepareSocket, bind to BindAddress and
    // nPort, then start the receive thread or, on it, receive again. Throws on failure;
    // does nothing once an exit was requested from outside.
    void StartReceiving();
    // Closes the socket and logs the create error.
    void FailCreate(const std::exception& error);
    // Moves to the next port and creates again, at most kMaxPortRetries times in a life.
    void RetryOnNextPort();
    void ThreadMain();
    // Runs the work handed over since the last look and tells whether the receive loop goes
    // on; one lock per datagram.
    bool KeepReceiving();
    // Whether the receive thread runs, which then has the socket to itself.
    bool ThreadRunsLocked() const;
    void RunHandedOverLocked();
    // The next datagram, waited for as long as the worker receives: 0 without an error once
    // it stopped receiving (an exit). On the receive thread.
    std::size_t ReceiveNext(boost::asio::mutable_buffer area, udp::endpoint& sender,
                            socketplatform::DatagramArrival& arrival, boost::system::error_code& error);
    // Waits until the socket has a datagram, running handed-over work meanwhile; false when
    // the worker stopped receiving instead.
    bool AwaitDatagram();
    // After a failed receive: Restarting, unless the worker is exiting. False then.
    bool BeginRestart();
    void PaceRestart();
    bool ExitRequested() const;
    static std::shared_ptr<boost::asio::io_context> SharedSocketContext();
    bool OnReceiveThread() const { return receiveThread.get_id() == std::this_thread::get_id(); }

    CDeviceReportSink* sink;

    std::mutex deviceLock; // guards lastDevice
    DeviceRecord lastDevice;

    mutable std::mutex sockLock; // guards everything below; sock, see the class comment
    std::condition_variable stateChanged;
    // Nothing runs the context: the receive thread polls the socket itself. One context,
    // shared by every worker alive, spares each worker the context's own handles.
    std::shared_ptr<boost::asio::io_context> socketContext = SharedSocketContext();
    udp::socket sock{*socketContext};
    socketplatform::ReceiveWaker waker;
    std::vector<SocketWork> handedOver; // for the receive thread, in the order given
    std::int32_t testCount = 0;
    Life life = Life::Idle;
    bool createFailed = false; // the last create attempt threw: no socket, no thread
    std::thread receiveThread; // joined by WaitUntilStopped, a later create or the destructor
    std::chrono::milliseconds firstRestartDelay{100};
    std::chrono::milliseconds maxRestartDelay{3200};
    // Restarts since the last good receive. Touched only by the receive thread.
    int failedRestarts = 0;
    // Where the datagram in hand came from and went; none for a parser called from
    // elsewhere. Touched only by the receive thread.
    struct Origin
    {
        socketplatform::DatagramArrival arrival;
        boost::asio::ip::address_v4 sender;
    };
    std::optional<Origin> datagramOrigin;
    mutable std::mutex answerLock;            // guards the two below; a leaf
    std::vector<LocalNetwork> answerNetworks; // of the last renewal
    // When each address queried directly last was (steady clock ticks), kept for the window.
    std::map<std::uint32_t, std::chrono::steady_clock::rep> directQueries;
    // When a query last went out (steady clock ticks; the sends run on the owner's and the
    // service's threads, the parser reads it on the receive thread), and how long answers
    // to it are taken.
    std::atomic<std::chrono::steady_clock::rep> lastQueryTicks{
        std::chrono::steady_clock::time_point::min().time_since_epoch().count()};
    std::atomic<std::chrono::steady_clock::rep> answerWindowTicks{
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::seconds(wire::kAnswerWindowSeconds))
            .count()};
};
