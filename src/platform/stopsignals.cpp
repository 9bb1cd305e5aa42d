#include "platform/stopsignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int pairFds[2] = {-1, -1};
constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full socket means an earlier signal is pending.
    [[maybe_unused]] const ssize_t n = ::write(pairFds[1], &byte, 1);
    errno = saved;
}
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pairFds) != 0)
        return; // the default actions stay
    m_notifier = new QSocketNotifier(pairFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignal);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : Handled)
        ::sigaction(s, &sa, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int s : Handled)
        ::sigaction(s, &sa, nullptr);
    delete m_notifier;
    ::close(pairFds[0]);
    ::close(pairFds[1]);
    pairFds[0] = pairFds[1] = -1;
}

void StopSignals::readSignal()
{
    unsigned char byte;
    while (::read(pairFds[0], &byte, 1) == 1)
        Q_EMIT received(byte);
}
