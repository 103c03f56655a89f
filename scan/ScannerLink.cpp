#include "ScannerLink.h"

#include "LogCategories.h"
#include "SerialPort.h"
#include "Timer.h"

#include <algorithm>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

ScannerLink::ScannerLink(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_timers(timers), m_timeout(timers.createTimer())
{
    m_timeout->setObjectName(u"replyTimeout"_s);
    m_timeout->setSingleShot(true);
    connect(m_timeout.get(), &Timer::timeout, this, &ScannerLink::onTimeout);
    connect(&m_port, &SerialPort::readyRead, this, &ScannerLink::onReadyRead);
    connect(&m_port, &SerialPort::lineFailed, this, &ScannerLink::onLineFailed);
}

ScannerLink::~ScannerLink()
{
    m_timeout->stop();
}

milliseconds ScannerLink::now() const
{
    return m_timers.now();
}

bool ScannerLink::select(int channel)
{
    // A select written while a reply is still on its way could switch the
    // scanner before it has answered; the caller selects once the query ends.
    if (m_waiting) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    // Even a failed write may have reached the scanner: what is owed now
    // belongs to an earlier selection either way.
    ++m_selection;
    if (!m_port.write(selectCommand(channel))) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

bool ScannerLink::sendQuery()
{
    if (m_waiting) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    if (!writeQuery())
        return false;
    owe(now(), milliseconds(0), false);
    return true;
}

bool ScannerLink::query(milliseconds timeout)
{
    if (m_waiting) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    // Nothing received before the query is its reply: replies still owed are
    // counted off, the rest (a reply cut short, noise) is thrown away.
    take(m_port.readAll());
    m_buffer.clear();
    m_overlong = false;
    if (isDraining()) {
        m_error = u"a reply to an earlier query may still come"_s;
        return false;
    }
    if (!writeQuery())
        return false;
    m_waiting = true;
    m_queryWrittenAt = now();
    m_queryWait = std::max(timeout, m_learnedWait);
    m_timeout->start(m_queryWait);
    return true;
}

bool ScannerLink::writeQuery()
{
    if (!m_port.write(QByteArray(kQueryCommand)) || !m_port.isOpen()) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

bool ScannerLink::isDraining()
{
    expireOwed();
    return std::any_of(m_owed.cbegin(), m_owed.cend(),
                       [this](const OwedReply &owed) { return owed.selection != m_selection; });
}

void ScannerLink::abandon()
{
    if (!m_waiting)
        return;
    endWait();
    owe(m_queryWrittenAt, m_queryWait, true);
}

void ScannerLink::onReadyRead()
{
    take(m_port.readAll());
}

void ScannerLink::take(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_buffer += bytes;
    std::optional<std::pair<ParsedReply, QByteArray>> answer;
    qsizetype end;
    while ((end = m_buffer.indexOf(kReplyTerminator)) >= 0) {
        const qsizetype length = end + qsizetype(sizeof kReplyTerminator) - 1;
        const QByteArray line = m_buffer.left(length);
        m_buffer.remove(0, length);
        if (std::exchange(m_overlong, false))
            continue; // the end of a line already dropped
        if (line.size() > kMaxReplyLength) {
            ++m_overlongLines;
            qCWarning(lcSerial).nospace()
                << "dropped a line of " << line.size() << " bytes: " << line.left(kSampleLength);
            continue;
        }
        const bool wasWaiting = m_waiting;
        const ParsedReply reply = takeLine(line);
        if (wasWaiting && !m_waiting)
            answer.emplace(reply, line);
    }
    if (!m_overlong && m_buffer.size() > kMaxReplyLength) {
        ++m_overlongLines;
        m_overlong = true;
        qCWarning(lcSerial).nospace() << "dropping a line longer than " << kMaxReplyLength
                                      << " bytes: " << m_buffer.left(kSampleLength);
    }
    // A line dropped as too long keeps only what may begin its terminator.
    if (m_overlong)
        m_buffer = m_buffer.endsWith(kReplyTerminator[0]) ? m_buffer.right(1) : QByteArray();
    // Only now, when the link is in its final state: the receiver may start
    // the next exchange, and the lines after the answer came before it.
    if (answer)
        Q_EMIT replyReceived(answer->first, answer->second);
}

ParsedReply ScannerLink::takeLine(const QByteArray &line)
{
    const milliseconds at = now();
    // Only a line built like a reply can answer a query; a value the parser
    // would find in line noise is no reading.
    const bool shaped = hasReplyShape(line);
    ParsedReply reply = parseReply(line);
    if (!shaped) {
        reply.valueTaken = false;
        reply.value.clear();
    }
    const QByteArray body = shaped ? replyBody(line) : QByteArray();
    const bool echo = shaped && !m_recentReplies.isEmpty() && body == m_recentReplies.last()
        && at - m_lastReplyAt <= kEchoWindow;
    const bool repeat = shaped && m_recentReplies.contains(body);
    if (shaped) {
        if (m_recentReplies.size() == kRecentReplies)
            m_recentReplies.removeFirst();
        m_recentReplies.append(body);
        m_lastReplyAt = at;
    }
    if (m_waiting && echo) {
        qCDebug(lcSerial) << "dropped an echo of the reply before";
        return reply;
    }
    if (m_waiting) {
        endWait();
        // A line that is not even built like a reply ends the wait but answers
        // nothing for sure: its query stays owed, so that the reply to it can
        // still be counted off.
        if (!shaped) {
            owe(m_queryWrittenAt, m_queryWait, true);
            return reply;
        }
        // Every reply owed belongs to this selection: whichever came is the
        // reading. If it answered the oldest owed query, the scanner is that
        // slow, and the query just answered is owed in its place.
        if (!m_owed.isEmpty()) {
            const OwedReply oldest = m_owed.takeFirst();
            noteLatency(at - oldest.writtenAt, oldest.gaveUp);
            owe(m_queryWrittenAt, m_queryWait, false);
        } else {
            noteLatency(at - m_queryWrittenAt, false);
        }
        return reply;
    }
    if (!shaped)
        return reply; // noise clears nothing
    // The same reply again may be a duplicate: counting it off could clear
    // the way for the reply still owed.
    if (repeat) {
        qCDebug(lcSerial) << "dropped a repeat of the reply before";
        return reply;
    }
    expireOwed();
    if (m_owed.isEmpty()) {
        qCDebug(lcSerial) << "dropped a reply that no query was owed";
        return reply;
    }
    const OwedReply owed = m_owed.takeFirst();
    const milliseconds latency = at - owed.writtenAt;
    qCDebug(lcSerial) << "dropped a reply that came" << latency.count() << "ms after its query";
    if (owed.gaveUp)
        noteLatency(latency, true);
    return reply;
}

void ScannerLink::expireOwed()
{
    const milliseconds at = now();
    const auto passed = std::remove_if(m_owed.begin(), m_owed.end(),
                                       [at](const OwedReply &owed) { return owed.until <= at; });
    if (passed != m_owed.end()) {
        qCDebug(lcSerial) << m_owed.end() - passed << "owed replies did not come";
        m_owed.erase(passed, m_owed.end());
    }
}

void ScannerLink::owe(milliseconds writtenAt, milliseconds wait, bool gaveUp)
{
    m_owed.append({ m_selection, writtenAt, writtenAt + std::max(kReplyBound, wait), gaveUp });
}

void ScannerLink::endWait()
{
    m_timeout->stop();
    m_waiting = false;
}

void ScannerLink::noteLatency(milliseconds latency, bool late)
{
    const milliseconds wanted = std::min(kReplyBound, latency * 3 / 2);
    if (late || wanted >= m_learnedWait)
        m_learnedWait = std::max(m_learnedWait, wanted);
    else
        m_learnedWait = std::max(wanted, m_learnedWait / 2);
}

void ScannerLink::onTimeout()
{
    if (!m_waiting)
        return;
    // The partial stays collected: the rest of this late reply may follow.
    const QByteArray partial = m_buffer;
    m_error = u"the scanner did not answer within %1 ms"_s.arg(m_queryWait.count());
    endWait();
    owe(m_queryWrittenAt, m_queryWait, true);
    Q_EMIT exchangeFailed(Failure::TimedOut, partial);
}

void ScannerLink::onLineFailed(const QString &reason)
{
    m_error = reason;
    const bool waiting = m_waiting;
    const QByteArray partial = m_buffer;
    m_buffer.clear();
    m_overlong = false;
    // What is owed stays owed until its bound: a line that comes back may
    // still carry a reply written before it went.
    if (waiting) {
        endWait();
        owe(m_queryWrittenAt, m_queryWait, true);
        Q_EMIT exchangeFailed(Failure::LineFailed, partial);
    }
}
