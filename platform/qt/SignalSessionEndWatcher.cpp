#include "SignalSessionEndWatcher.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

#ifdef Q_OS_UNIX
namespace {

int g_signalSockets[2] = { -1, -1 };
constexpr int kWatchedSignals[] = { SIGTERM, SIGHUP, SIGINT };

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing to do when it fails: the pair is full of signals already.
    [[maybe_unused]] const auto written = ::write(g_signalSockets[0], &byte, 1);
}

} // namespace
#endif

SignalSessionEndWatcher::SignalSessionEndWatcher(QObject *parent) : SessionEndWatcher(parent)
{
#ifdef Q_OS_UNIX
    if (g_signalSockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) != 0)
        return;
    for (int fd : g_signalSockets)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalSockets[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this,
            &SignalSessionEndWatcher::onSignalReceived);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kWatchedSignals)
        ::sigaction(number, &action, nullptr);
#endif
}

SignalSessionEndWatcher::~SignalSessionEndWatcher()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (int number : kWatchedSignals)
        ::signal(number, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    for (int &fd : g_signalSockets) {
        ::close(fd);
        fd = -1;
    }
#endif
}

void SignalSessionEndWatcher::onSignalReceived()
{
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    if (::read(g_signalSockets[1], &byte, 1) != 1)
        return;
    const char *name = byte == SIGTERM ? "SIGTERM" : byte == SIGHUP ? "SIGHUP" : "SIGINT";
    Q_EMIT endRequested(QString::fromLatin1(name));
#endif
}
