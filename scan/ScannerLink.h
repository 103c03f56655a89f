#pragma once

#include "ScannerProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class SerialPort;
class Timer;
class TimerFactory;

// One exchange at a time with the scanner over a serial port. select() only
// writes; query() writes the query and collects its reply asynchronously until
// the LF CR terminator or the time-out. Each query ends exactly once, with
// replyReceived or exchangeFailed, unless it is abandoned. Bytes that arrive
// while no query waits (a reply that came too late, a stray line) are dropped
// when the next query is written, so a late reply can never be taken for the
// answer to a later query.
class ScannerLink : public QObject
{
    Q_OBJECT
public:
    enum class Failure {
        TimedOut, // no complete reply within the time-out
        LineFailed, // the port reported a failure of the line and closed
    };
    Q_ENUM(Failure)

    ScannerLink(SerialPort &port, TimerFactory &timers, QObject *parent = nullptr);
    ~ScannerLink() override;

    SerialPort &port() { return m_port; }

    // Writes the select command; false when the port is closed, the write fails
    // or a query is still waiting (the scanner must not switch channels before
    // it has answered).
    bool select(int channel);
    // Writes the query without waiting for its reply; its answer is dropped when
    // the next query() is written. False as for select().
    bool sendQuery();
    // Writes the query and starts waiting for its reply; false (and no outcome
    // will follow) when a query is already waiting or the write fails.
    bool query(std::chrono::milliseconds timeout);
    bool isBusy() const { return m_state == State::WaitingForReply; }
    // Ends a waiting query without an outcome: the scan stopped, a window closed.
    void abandon();

    QString errorString() const { return m_error; }

Q_SIGNALS:
    // raw is the collected text as received, terminator included.
    void replyReceived(const ParsedReply &reply, const QByteArray &raw);
    void exchangeFailed(ScannerLink::Failure failure, const QByteArray &partial);

private:
    enum class State { Idle, WaitingForReply };

    void onReadyRead();
    void onTimeout();
    void onLineFailed(const QString &reason);
    void finish();

    SerialPort &m_port;
    std::unique_ptr<Timer> m_timeout;
    State m_state = State::Idle;
    QByteArray m_buffer;
    QString m_error;
};
