#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    struct stat info {};
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
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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

} // namespace

CSingleInstance::CSingleInstance(QString instanceName, QObject* parent)
    : QObject(parent), m_instanceName(std::move(instanceName))
{
}

CSingleInstance::~CSingleInstance()
{
    if (m_server)
        m_server->close();  // removes the socket file while we still hold the lock
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

CSingleInstance::Claim CSingleInstance::Acquire()
{
    if (m_lockFd >= 0)
        return Claim::First;
    const QString folder = RuntimeFolder();
    if (folder.isEmpty())
        return Claim::Failed;
    const QString base = folder + QLatin1Char('/') + m_instanceName;
    bool heldElsewhere = false;
    m_lockFd = TakeLock(base + QStringLiteral(".lock"), heldElsewhere);
    if (m_lockFd >= 0) {
        Listen(base);
        return Claim::First;
    }
    return heldElsewhere ? NotifyRunningInstance(base) : Claim::Failed;
}

void CSingleInstance::Listen(const QString& socketPath)
{
    // Holding the lock, any socket file left there is a crashed instance's.
    QLocalServer::removeServer(socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    // Without a socket the instance still runs; later starts then end silently.
    m_server->listen(socketPath);
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->bytesAvailable() < static_cast<qint64>(sizeof(std::uint32_t)))
                return;
            const QByteArray message = client->read(sizeof(std::uint32_t));
            if (message == ActivationMessage()) {
                emit activateRequested();
                client->write(&kAcknowledge, 1);
                client->flush();
            }
            client->disconnectFromServer();  // one message per connection; anything else is dropped
        });
    }
}

CSingleInstance::Claim CSingleInstance::NotifyRunningInstance(const QString& socketPath)
{
    QDeadlineTimer deadline(kNotifyBudgetMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(RemainingMs(deadline)))
        return Claim::Silent;  // nobody listens (yet)
    socket.write(ActivationMessage());
    if (!socket.waitForBytesWritten(RemainingMs(deadline)))
        return Claim::Silent;
    char reply = 0;
    const bool acknowledged = socket.waitForReadyRead(RemainingMs(deadline)) && socket.getChar(&reply) &&
                              reply == kAcknowledge;
    return acknowledged ? Claim::Notified : Claim::Silent;
}
