#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only note the request and write a byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnTerminationSignal(int /*signal*/)
{
    requested.store(true);
    const char byte = 1;
    const ssize_t written = ::write(signalPipe[0], &byte, 1);
    static_cast<void>(written); // a full pipe already holds a request
}

} // namespace

void CTerminationSignals::InstallHandlers()
{
    if (signalPipe[0] >= 0)
        return;
    // Without the pipe the handler still notes the request; the byte is only lost.
    static_cast<void>(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe));
    struct sigaction action
    {
    };
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    InstallHandlers();
    if (signalPipe[1] < 0)
        return;
    // A byte already waiting makes the notifier fire as soon as an event loop runs.
    pNotifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(pNotifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnSignal);
}

CTerminationSignals::~CTerminationSignals()
{
    for (const int number : kSignals)
        ::signal(number, SIG_DFL);
    delete pNotifier;
    for (int& fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool CTerminationSignals::Requested()
{
    return requested.load();
}

void CTerminationSignals::OnSignal()
{
    char drained[64];
    while (::read(signalPipe[1], drained, sizeof drained) > 0) {
    }
    QApplication::closeAllWindows();
}
