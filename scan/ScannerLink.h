#pragma once

#include "ScannerProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
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
// replyReceived or exchangeFailed, unless it is abandoned.
//
// Replies carry no mark of the query they answer; the scanner answers in
// order. So a query whose wait gave up (time-out, abandon()) or that was
// written without a wait (sendQuery()) still owes a reply, and the link keeps
// count of those owed replies: one that arrives while no query waits is
// dropped. Owed replies are forgotten kLateReplyWindow after the last sign of
// them (kFirstReplyWindow for sendQuery()'s), or after as long as the latest
// reply took, when that is longer: replies come in order and about as slowly. A select turns them
// into replies of another channel: until they have come or their window has passed, isDraining() is
// true and query() refuses, so a reading of the old channel can never be taken for one of the new.
// A retry on the same channel may go out meanwhile: whichever reply then comes first is that
// channel's reading, and the reply still owed is dropped when it follows.
//
// A dropped reply that came after its wait gave up tells how slow the scanner
// is: later waits last 1.5 times that latency (at most kMaxReplyWait), and
// shrink again as prompt replies come, so a slow scanner is read at its own
// pace while a dead channel still costs only the caller's time-out.
class ScannerLink : public QObject
{
    Q_OBJECT
public:
    enum class Failure {
        TimedOut, // no complete reply within the time-out
        LineFailed, // the port reported a failure of the line and closed
    };
    Q_ENUM(Failure)

    // How long a reply is still expected after its wait gave up.
    static constexpr std::chrono::milliseconds kLateReplyWindow { 1000 };
    // How long the reply to a query written without a wait is expected: long
    // enough for the slowest scanner, as nothing was waited for before.
    static constexpr std::chrono::milliseconds kFirstReplyWindow { 3000 };
    // The longest wait that the scanner's own latency can ask for.
    static constexpr std::chrono::milliseconds kMaxReplyWait { 4000 };

    ScannerLink(SerialPort &port, TimerFactory &timers, QObject *parent = nullptr);
    ~ScannerLink() override;

    SerialPort &port() { return m_port; }

    // Writes the select command; false when the port is closed, the write fails
    // or a query is still waiting (the scanner must not switch channels before
    // it has answered).
    bool select(int channel);
    // Writes the query without waiting for its reply; its answer is dropped.
    // False as for select().
    bool sendQuery();
    // Writes the query and starts waiting for its reply, for timeout or the
    // scanner's learned latency, whichever is longer; false (and no outcome
    // will follow) when a query is already waiting, replies of the channel
    // selected before are still due, or the write fails.
    bool query(std::chrono::milliseconds timeout);
    // A query waits for its reply.
    bool isBusy() const { return m_state == State::WaitingForReply; }
    // Replies to queries written before the last select may still come:
    // query() refuses until they have come or their window has passed.
    bool isDraining() const { return m_stale > 0; }
    // The wait the scanner's latency asks for (zero while it answers promptly).
    std::chrono::milliseconds learnedReplyWait() const { return m_learnedWait; }
    // Ends a waiting query without an outcome: the scan stopped, a window closed.
    // Its reply is still owed.
    void abandon();

    QString errorString() const { return m_error; }

Q_SIGNALS:
    // raw is the collected text as received, terminator included.
    void replyReceived(const ParsedReply &reply, const QByteArray &raw);
    void exchangeFailed(ScannerLink::Failure failure, const QByteArray &partial);

private:
    enum class State { Idle, WaitingForReply, Draining };
    enum class Owed { Unwaited, Abandoned, GaveUp };
    struct OwedReply
    {
        Owed kind;
        qint64 writtenAt; // ms on m_clock
    };

    void onReadyRead();
    void takeReplies();
    void dropOwedReply();
    void owe(Owed kind, qint64 writtenAt, std::chrono::milliseconds window);
    void noteLatency(qint64 ms, bool late);
    static std::chrono::milliseconds lateReplyWindow(qint64 latency);
    void onTimeout();
    void onWindowPassed();
    void onLineFailed(const QString &reason);
    void reset();

    SerialPort &m_port;
    // Created first, so that the reply time-out is the newest timer of the link.
    std::unique_ptr<Timer> m_window;
    std::unique_ptr<Timer> m_timeout;
    State m_state = State::Idle;
    QByteArray m_buffer;
    QString m_error;
    // Oldest first; the first m_stale of them were written before the last select.
    QList<OwedReply> m_owed;
    qsizetype m_stale = 0;
    QElapsedTimer m_clock;
    qint64 m_queryWrittenAt = 0;
    std::chrono::milliseconds m_learnedWait { 0 };
};
