#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kAcknowledge = 1;
// A later start never waits long for the running instance: while that one is still starting
// up (or busy) its socket accepts but nobody answers, and the user would see a start that
// hangs for nothing. The running instance still acts on the message once it gets to it.
constexpr int kNotifyBudgetMs = 250;

QByteArray ActivationMessage()
{
    QByteArray message(sizeof(std::uint32_t), '\0');
    qToLittleEndian<std::uint32_t>(WM_ACTIVATE_INSTANCE, message.data());
    return message;
}

// A folder only this user can enter, so no other user can hold our lock or reach our socket.
bool IsPrivateFolder(const QByteArray& path)
{
    struct stat info
    {
    };
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

// The session's runtime folder, or without one a private folder of our own in the
// temporary folder ($TMPDIR when absolute, else /tmp).
QString RuntimeFolder()
{
    const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
    if (session.startsWith('/'))
        return QFile::decodeName(session);
    QByteArray temporary = qgetenv("TMPDIR");
    if (!temporary.startsWith('/'))
        temporary = "/tmp";
    const QByteArray fallback = temporary + "/travelkin-" + QByteArray::number(::getuid());
    if (::mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Someone else may have made the folder first: use it only if it is ours and private.
    return IsPrivateFolder(fallback) ? QFile::decodeName(fallback) : QString();
}

int TakeLock(const QString& lockPath, bool& heldElsewhere)
{
    heldElsewhere = false;
    const int fd =
        ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd;
    heldElsewhere = (errno == EWOULDBLOCK);
    ::close(fd);
    return -1;
}

// At least one millisecond: a wait of 0 would not even look at what has arrived.
int RemainingMs(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
}

// A plain AF_UNIX stream socket rather than Qt's local sockets: those live in the network
// module, whose loading (proxy and authentication libraries with it) was a good part of the
// window's start-up time for a four-byte exchange.
std::optional<sockaddr_un> SocketAddress(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return address;
}

int OpenSocket(int flags)
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
}

// Waits for one of `events` on `fd` until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0)
            return (entry.revents & events) != 0;
        if (ready == 0 || errno != EINTR || deadline.hasExpired())
            return false;
    }
}

// One later start's connection: reads its four-byte message, answers an activation and
// closes. Owned by the guard, so connections still open at exit are closed with it.
class CActivationClient : public QObject
{
public:
    CActivationClient(int connection, CSingleInstance* guard)
        : QObject(guard), fd(connection), notifier(connection, QSocketNotifier::Read, this)
    {
        connect(&notifier, &QSocketNotifier::activated, this, [this, guard] { OnReadable(guard); });
    }
    ~CActivationClient() override { ::close(fd); }

    CActivationClient(const CActivationClient&) = delete;
    CActivationClient& operator=(const CActivationClient&) = delete;

private:
    void OnReadable(CSingleInstance* guard)
    {
        char chunk[sizeof(std::uint32_t)];
        const qsizetype wanted = static_cast<qsizetype>(sizeof(chunk)) - message.size();
        const ssize_t got = ::recv(fd, chunk, static_cast<std::size_t>(wanted), MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0)
            message.append(chunk, got);
        if (got > 0 && message.size() < static_cast<qsizetype>(sizeof(chunk)))
            return;
        if (message == ActivationMessage()) {
            emit guard->activateRequested();
            ::send(fd, &kAcknowledge, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        }
        // One message per connection; anything else, or a closed connection, is dropped.
        notifier.setEnabled(false);
        deleteLater();
    }

    int fd;
    QSocketNotifier notifier;
    QByteArray message;
};

} // namespace

// The lock file and the listening socket of the running instance, both in the user's private
// runtime folder; a later start connects to the socket and sends the activation message.
class CSingleInstance::Guard
{
public:
    Guard(QString name, CSingleInstance& instance) : instanceName(std::move(name)), owner(instance) {}
    ~Guard();

    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    Claim Acquire();

private:
    void Listen(const QString& path);
    void OnNewConnection();
    static Claim NotifyRunningInstance(const QString& socketPath);

    QString instanceName;
    CSingleInstance& owner;
    int lockFd = -1;
    int listenFd = -1;
    QString socketPath;
    QSocketNotifier* listener = nullptr;
};

CSingleInstance::CSingleInstance(QString instanceName, QObject* parent)
    : QObject(parent), guard(std::make_unique<Guard>(std::move(instanceName), *this))
{
}

CSingleInstance::~CSingleInstance() = default;

CSingleInstance::Claim CSingleInstance::Acquire()
{
    return guard->Acquire();
}

CSingleInstance::Guard::~Guard()
{
    if (listenFd >= 0) {
        delete listener;
        ::close(listenFd);
        ::unlink(QFile::encodeName(socketPath).constData()); // while we still hold the lock
    }
    if (lockFd >= 0)
        ::close(lockFd);
}

CSingleInstance::Claim CSingleInstance::Guard::Acquire()
{
    if (lockFd >= 0)
        return Claim::First;
    const QString folder = RuntimeFolder();
    if (folder.isEmpty())
        return Claim::Failed;
    const QString base = folder + QLatin1Char('/') + instanceName;
    bool heldElsewhere = false;
    lockFd = TakeLock(base + QStringLiteral(".lock"), heldElsewhere);
    if (lockFd >= 0) {
        Listen(base);
        return Claim::First;
    }
    return heldElsewhere ? NotifyRunningInstance(base) : Claim::Failed;
}

void CSingleInstance::Guard::Listen(const QString& path)
{
    // Without a socket the instance still runs; later starts then end silently.
    const std::optional<sockaddr_un> address = SocketAddress(path);
    const int fd = address ? OpenSocket(SOCK_NONBLOCK) : -1;
    if (fd < 0)
        return;
    // Holding the lock, any socket file left there is a crashed instance's.
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0 ||
        ::chmod(name.constData(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return;
    }
    listenFd = fd;
    socketPath = path;
    listener = new QSocketNotifier(fd, QSocketNotifier::Read, &owner);
    QObject::connect(listener, &QSocketNotifier::activated, &owner, [this] { OnNewConnection(); });
}

void CSingleInstance::Guard::OnNewConnection()
{
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all taken; anything else: try again on the next wake-up
        }
        new CActivationClient(client, &owner);
    }
}

CSingleInstance::Claim CSingleInstance::Guard::NotifyRunningInstance(const QString& socketPath)
{
    const QDeadlineTimer deadline(kNotifyBudgetMs);
    const std::optional<sockaddr_un> address = SocketAddress(socketPath);
    const int fd = address ? OpenSocket(0) : -1;
    if (fd < 0)
        return Claim::Silent;
    // A full backlog (the running instance busy) makes connect wait, but no longer than this.
    const timeval limit{0, static_cast<suseconds_t>(RemainingMs(deadline)) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    const QByteArray message = ActivationMessage();
    char reply = 0;
    const bool acknowledged = ::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) ==
                                  0 && // else nobody listens (yet)
                              ::send(fd, message.constData(), static_cast<std::size_t>(message.size()),
                                     MSG_NOSIGNAL) == message.size() &&
                              WaitFor(fd, POLLIN, deadline) && ::recv(fd, &reply, 1, MSG_DONTWAIT) == 1 &&
                              reply == kAcknowledge;
    ::close(fd);
    return acknowledged ? Claim::Notified : Claim::Silent;
}
