#include "ScannerLink.h"

#include "LogCategories.h"
#include "SerialPort.h"
#include "Timer.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

ScannerLink::ScannerLink(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_window(timers.createTimer()), m_timeout(timers.createTimer())
{
    m_timeout->setSingleShot(true);
    m_window->setSingleShot(true);
    m_clock.start();
    connect(m_timeout.get(), &Timer::timeout, this, &ScannerLink::onTimeout);
    connect(m_window.get(), &Timer::timeout, this, &ScannerLink::onWindowPassed);
    connect(&m_port, &SerialPort::readyRead, this, &ScannerLink::onReadyRead);
    connect(&m_port, &SerialPort::lineFailed, this, &ScannerLink::onLineFailed);
}

ScannerLink::~ScannerLink()
{
    m_timeout->stop();
    m_window->stop();
}

bool ScannerLink::select(int channel)
{
    // A select written while a reply is still on its way could switch the
    // scanner before it has answered; the caller selects once the query ends.
    if (m_state == State::WaitingForReply) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    if (!m_port.write(selectCommand(channel))) {
        m_error = m_port.errorString();
        return false;
    }
    // What is still owed now answers for another channel than the next query.
    m_stale = m_owed.size();
    return true;
}

bool ScannerLink::sendQuery()
{
    if (m_state == State::WaitingForReply) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    if (!m_port.write(QByteArray(kQueryCommand))) {
        m_error = m_port.errorString();
        return false;
    }
    owe(Owed::Unwaited, m_clock.elapsed(), kFirstReplyWindow);
    return true;
}

bool ScannerLink::query(std::chrono::milliseconds timeout)
{
    if (m_state == State::WaitingForReply) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    // Bytes still unread may hold the replies owed; the rest is stray.
    m_buffer += m_port.readAll();
    takeReplies();
    if (isDraining()) {
        m_error = u"the reply to a query on the channel selected before is still due"_s;
        return false;
    }
    if (m_owed.isEmpty())
        m_buffer.clear();
    if (!m_port.write(QByteArray(kQueryCommand)) || !m_port.isOpen()) {
        m_error = m_port.errorString();
        return false;
    }
    // The window of the replies still owed (same channel) starts again when
    // this wait ends, so that none is forgotten while the line is busy.
    m_window->stop();
    m_state = State::WaitingForReply;
    m_queryWrittenAt = m_clock.elapsed();
    m_timeout->start(std::max(timeout, m_learnedWait));
    return true;
}

void ScannerLink::abandon()
{
    if (m_state != State::WaitingForReply)
        return;
    m_timeout->stop();
    owe(Owed::Abandoned, m_queryWrittenAt, kLateReplyWindow);
}

void ScannerLink::onReadyRead()
{
    const QByteArray received = m_port.readAll();
    // Bytes that arrive while nothing waits and nothing is owed are dropped
    // here already, so they cannot pile up in the port.
    if (m_state == State::Idle)
        return;
    m_buffer += received;
    takeReplies();
}

void ScannerLink::takeReplies()
{
    std::optional<QByteArray> answer;
    qsizetype end;
    while (m_state != State::Idle && (end = m_buffer.indexOf(kReplyTerminator)) >= 0) {
        const qsizetype length = end + qsizetype(sizeof kReplyTerminator) - 1;
        if (m_state == State::WaitingForReply) {
            // Nothing stale can be owed while a query waits, so this reply is
            // of the channel queried: the answer, or an earlier query's reply
            // on the same channel. Either way one reply stays owed.
            answer = m_buffer;
            m_timeout->stop();
            if (m_owed.isEmpty()) {
                noteLatency(m_clock.elapsed() - m_queryWrittenAt, false);
                m_state = State::Idle;
            } else {
                // If it answered the oldest owed query, the scanner is that
                // slow, and the replies still owed may take as long.
                const qint64 latency = m_clock.elapsed() - m_owed.takeFirst().writtenAt;
                owe(Owed::GaveUp, m_queryWrittenAt, lateReplyWindow(latency));
            }
        } else {
            dropOwedReply();
        }
        m_buffer.remove(0, length);
    }
    if (m_state == State::Idle)
        m_buffer.clear();
    // Only now, when the link is in its final state: the receiver may start
    // the next exchange.
    if (answer)
        Q_EMIT replyReceived(parseReply(*answer), *answer);
}

void ScannerLink::dropOwedReply()
{
    const OwedReply owed = m_owed.takeFirst();
    if (m_stale > 0)
        --m_stale;
    const qint64 latency = m_clock.elapsed() - owed.writtenAt;
    qCDebug(lcSerial) << "dropped a reply that came" << latency << "ms after its query";
    if (owed.kind == Owed::GaveUp)
        noteLatency(latency, true);
    if (m_owed.isEmpty()) {
        m_window->stop();
        m_state = State::Idle;
    } else {
        m_window->start(lateReplyWindow(latency));
    }
}

void ScannerLink::owe(Owed kind, qint64 writtenAt, std::chrono::milliseconds window)
{
    m_owed.append({ kind, writtenAt });
    m_state = State::Draining;
    m_window->start(window);
}

std::chrono::milliseconds ScannerLink::lateReplyWindow(qint64 latency)
{
    return std::clamp(std::chrono::milliseconds(latency), kLateReplyWindow, kMaxReplyWait);
}

void ScannerLink::noteLatency(qint64 ms, bool late)
{
    using std::chrono::milliseconds;
    const milliseconds wanted = std::min(kMaxReplyWait, milliseconds(ms * 3 / 2));
    if (late || wanted >= m_learnedWait)
        m_learnedWait = std::max(m_learnedWait, wanted);
    else
        m_learnedWait = std::max(wanted, m_learnedWait / 2);
}

void ScannerLink::onTimeout()
{
    if (m_state != State::WaitingForReply)
        return;
    // The partial stays collected: the rest of this late reply may follow.
    const QByteArray partial = m_buffer;
    m_error = u"the scanner did not answer within %1 ms"_s.arg(m_timeout->interval().count());
    owe(Owed::GaveUp, m_queryWrittenAt, kLateReplyWindow);
    Q_EMIT exchangeFailed(Failure::TimedOut, partial);
}

void ScannerLink::onWindowPassed()
{
    if (m_state != State::Draining)
        return;
    qCDebug(lcSerial) << m_owed.size() << "owed replies did not come";
    reset();
}

void ScannerLink::onLineFailed(const QString &reason)
{
    m_error = reason;
    const bool waiting = m_state == State::WaitingForReply;
    const QByteArray partial = m_buffer;
    // Nothing more comes over a line that failed.
    reset();
    if (waiting)
        Q_EMIT exchangeFailed(Failure::LineFailed, partial);
}

void ScannerLink::reset()
{
    m_timeout->stop();
    m_window->stop();
    m_state = State::Idle;
    m_buffer.clear();
    m_owed.clear();
    m_stale = 0;
}
