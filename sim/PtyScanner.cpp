#include "PtyScanner.h"

#include <QSocketNotifier>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString systemError(const QString &what)
{
    return u"%1: %2"_s.arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd)
{
    termios attributes {};
    if (::tcgetattr(fd, &attributes) != 0)
        return false;
    ::cfmakeraw(&attributes);
    return ::tcsetattr(fd, TCSANOW, &attributes) == 0;
}

} // namespace

PtyScanner::PtyScanner(QObject *parent) : QObject(parent)
{
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &PtyScanner::onSendTimer);
}

PtyScanner::~PtyScanner()
{
    stop();
}

bool PtyScanner::start()
{
    if (isRunning())
        return true;
    m_error.clear();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        fail(u"cannot create a pseudo-terminal (is /dev/pts mounted?)"_s);
        return false;
    }
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || ::ptsname_r(m_master, name, sizeof name) != 0) {
        fail(u"cannot prepare the pseudo-terminal"_s);
        return false;
    }
    if (!makeRaw(m_master)) {
        fail(u"cannot put the pseudo-terminal into raw mode"_s);
        return false;
    }
    // Close-on-exec: a program the host starts (the command-line scanner in a
    // test) must not inherit the master, or closing the line here would not
    // hang it up.
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0
        || ::fcntl(m_master, F_SETFD, FD_CLOEXEC) != 0) {
        fail(u"cannot make the pseudo-terminal non-blocking"_s);
        return false;
    }
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        fail(u"cannot open %1"_s.arg(QString::fromLocal8Bit(name)));
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(name);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyScanner::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyScanner::onWritable);
    return true;
}

void PtyScanner::stop()
{
    m_sendTimer.stop();
    m_schedule.clear();
    m_unwritten.clear();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PtyScanner::fail(const QString &what)
{
    m_error = systemError(what);
    stop();
    m_devicePath.clear();
}

void PtyScanner::onReadable()
{
    char chunk[512];
    QByteArray received;
    for (;;) {
        const ssize_t count = ::read(m_master, chunk, sizeof chunk);
        if (count > 0) {
            received.append(chunk, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or an error: with our own slave descriptor open this does
        // not happen; if it does, stop listening rather than spin on it.
        m_error = systemError(u"reading the pseudo-terminal"_s);
        m_readNotifier->setEnabled(false);
        break;
    }
    if (received.isEmpty())
        return;
    Q_EMIT bytesReceived(received);

    for (const ScannerModel::Action &action : m_model.receive(received)) {
        Scheduled item;
        item.due = QDeadlineTimer(action.after, Qt::PreciseTimer);
        item.bytes = action.bytes;
        item.closeLine = action.closeLine;
        if (m_model.options().overtake) {
            // In time order, so that a prompt reply goes out before a late one.
            const auto later = std::find_if(m_schedule.begin(), m_schedule.end(),
                                            [&](const Scheduled &s) { return item.due < s.due; });
            m_schedule.insert(later, item);
            continue;
        }
        // Nothing may overtake what was scheduled earlier.
        if (!m_schedule.isEmpty() && item.due < m_schedule.last().due)
            item.due = m_schedule.last().due;
        m_schedule.append(item);
    }
    armSendTimer();
}

void PtyScanner::armSendTimer()
{
    if (m_schedule.isEmpty()) {
        m_sendTimer.stop();
        return;
    }
    m_sendTimer.start(std::chrono::duration_cast<std::chrono::milliseconds>(
        m_schedule.first().due.remainingTimeAsDuration()));
}

void PtyScanner::onSendTimer()
{
    while (!m_schedule.isEmpty() && m_schedule.first().due.hasExpired()) {
        const Scheduled item = m_schedule.takeFirst();
        if (item.closeLine) {
            closeLine();
            return;
        }
        writeOut(item.bytes);
    }
    armSendTimer();
}

void PtyScanner::writeOut(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    m_unwritten += bytes;
    onWritable();
    Q_EMIT bytesSent(bytes);
}

void PtyScanner::onWritable()
{
    while (!m_unwritten.isEmpty()) {
        const ssize_t count = ::write(m_master, m_unwritten.constData(), m_unwritten.size());
        if (count > 0) {
            m_unwritten.remove(0, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        m_error = systemError(u"writing the pseudo-terminal"_s);
        m_unwritten.clear();
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_unwritten.isEmpty());
}

void PtyScanner::closeLine()
{
    stop();
    Q_EMIT lineClosed();
}
