#include "ScannerLink.h"

#include "SerialPort.h"
#include "Timer.h"

using namespace Qt::StringLiterals;

ScannerLink::ScannerLink(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_timeout(timers.createTimer())
{
    m_timeout->setSingleShot(true);
    connect(m_timeout.get(), &Timer::timeout, this, &ScannerLink::onTimeout);
    connect(&m_port, &SerialPort::readyRead, this, &ScannerLink::onReadyRead);
    connect(&m_port, &SerialPort::lineFailed, this, &ScannerLink::onLineFailed);
}

ScannerLink::~ScannerLink()
{
    m_timeout->stop();
}

bool ScannerLink::select(int channel)
{
    // A select written while a reply is still on its way could switch the
    // scanner before it has answered; the caller selects once the query ends.
    if (m_state != State::Idle) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    if (!m_port.write(selectCommand(channel))) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

bool ScannerLink::sendQuery()
{
    if (m_state != State::Idle) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    if (!m_port.write(QByteArray(kQueryCommand))) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

bool ScannerLink::query(std::chrono::milliseconds timeout)
{
    if (m_state != State::Idle) {
        m_error = u"a query is still waiting for its reply"_s;
        return false;
    }
    // Whatever is still unread belongs to an earlier exchange (a reply that came
    // after its time-out, the answer to sendQuery()); it must not be taken for
    // the answer to this query.
    m_port.readAll();
    m_buffer.clear();
    if (!m_port.write(QByteArray(kQueryCommand)) || !m_port.isOpen()) {
        m_error = m_port.errorString();
        return false;
    }
    m_state = State::WaitingForReply;
    m_timeout->start(timeout);
    return true;
}

void ScannerLink::abandon()
{
    if (m_state == State::WaitingForReply)
        finish();
}

void ScannerLink::onReadyRead()
{
    const QByteArray received = m_port.readAll();
    // Bytes that arrive while nothing waits are dropped here already, so they
    // cannot pile up in the port.
    if (m_state != State::WaitingForReply)
        return;
    m_buffer += received;
    if (!isCompleteReply(m_buffer))
        return;
    const QByteArray raw = m_buffer;
    // Idle before the signal, so that its receiver can start the next exchange.
    finish();
    Q_EMIT replyReceived(parseReply(raw), raw);
}

void ScannerLink::onTimeout()
{
    if (m_state != State::WaitingForReply)
        return;
    const QByteArray partial = m_buffer;
    m_error = u"the scanner did not answer within %1 ms"_s.arg(m_timeout->interval().count());
    finish();
    Q_EMIT exchangeFailed(Failure::TimedOut, partial);
}

void ScannerLink::onLineFailed(const QString &reason)
{
    m_error = reason;
    if (m_state != State::WaitingForReply)
        return;
    const QByteArray partial = m_buffer;
    finish();
    Q_EMIT exchangeFailed(Failure::LineFailed, partial);
}

void ScannerLink::finish()
{
    m_timeout->stop();
    m_state = State::Idle;
    m_buffer.clear();
}
