#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write a byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int /*signal*/)
{
    const char byte = 1;
    const ssize_t written = ::write(signalPipe[0], &byte, 1);
    static_cast<void>(written);  // a full pipe already holds a request
}

} // namespace

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    pNotifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(pNotifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
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

void CTerminationSignals::OnSignal()
{
    char drained[64];
    while (::read(signalPipe[1], drained, sizeof drained) > 0) {
    }
    QApplication::closeAllWindows();
}
