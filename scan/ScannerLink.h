#pragma once

#include "ScannerProtocol.h"

#include <QByteArray>
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
// Which bytes can become which channel's reading. Replies carry no mark of
// the query or the channel they answer, and a scanner may answer late, out of
// order, twice, cut short or not at all. So:
//
// 1. A reading is only ever taken from bytes received after its own query was
//    written. Everything received before (the port's unread bytes included) is
//    consumed when the query goes out: replies owed (see 3) are counted off,
//    any other bytes, a reply cut short among them, are thrown away. Only the
//    bytes up to the first terminator form the reply; what follows belongs to
//    the next line.
// 2. Every select() starts a new selection. A query belongs to the selection it
//    was written in.
// 3. A query whose reply has not come is owed: after its wait gave up
//    (time-out, a reply that could not be read, abandon()), when it was
//    written without a wait (sendQuery()), or when the line failed under it.
//    It stays owed until a readable reply is counted against it, or until
//    kReplyBound after it was written (longer when its own wait was longer):
//    a scanner that answers at all answers within that bound.
// 4. A query is refused while any reply owed belongs to an earlier selection
//    (isDraining()). So while a query waits, every reply that can still come
//    belongs to the selection that is read: the channel being read, since the
//    last select. Whichever of them comes first is the reading; the others are
//    counted off when they come.
// 5. Only a line built like a reply (hasReplyShape()) answers a query or
//    counts off an owed one: noise or a reply that lost its start ends a wait
//    as unreadable but can never clear the way for a late reply. A reply
//    identical to one of the last few is a possible duplicate and counts off
//    nothing; one identical to the reply just before it, within kEchoWindow, is
//    an echo and answers nothing either.
// 6. A line longer than kMaxReplyLength is garbage: dropped as it grows, with
//    everything up to its terminator, and counted; a sample of its start is
//    kept for the log.
//
// The bound: a reply that comes within kReplyBound of its query is never
// stored under another channel, nor under a later pass of its own channel. A
// reply later than that may be lost; it can be taken for another reading only
// when it arrives while a later query waits, as nothing in its bytes tells it
// apart. The price of the bound is time: after a query went unanswered, the
// next channel is read only when the rest of its bound has passed.
//
// A reply that came after its wait gave up tells how slow the scanner is:
// later waits last 1.5 times that latency (at most kReplyBound), and shrink
// again as prompt replies come, so a slow scanner is read at its own pace.
class ScannerLink : public QObject
{
    Q_OBJECT
public:
    enum class Failure {
        TimedOut, // no complete reply within the time-out
        LineFailed, // the port reported a failure of the line and closed
    };
    Q_ENUM(Failure)

    // How long after its query a reply is still expected.
    static constexpr std::chrono::milliseconds kReplyBound { 4000 };
    // A line identical to the one before, this soon after it, is an echo.
    static constexpr std::chrono::milliseconds kEchoWindow { 50 };
    // The longest line taken for a reply; real replies are about 21 bytes.
    static constexpr qsizetype kMaxReplyLength = 256;
    // How much of a dropped line is kept to show what it was.
    static constexpr qsizetype kSampleLength = 64;

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
    // will follow) when a query is already waiting, replies of an earlier
    // selection are still owed, or the write fails.
    bool query(std::chrono::milliseconds timeout);
    // A query waits for its reply.
    bool isBusy() const { return m_waiting; }
    // Replies owed by queries of an earlier selection may still come: query()
    // refuses until they have come or their bound has passed.
    bool isDraining();
    // The wait the scanner's latency asks for (zero while it answers promptly).
    std::chrono::milliseconds learnedReplyWait() const { return m_learnedWait; }
    // Ends a waiting query without an outcome: the scan stopped, a window closed.
    // Its reply is still owed.
    void abandon();

    // Lines dropped for being longer than any reply, since the link was made.
    quint64 overlongLines() const { return m_overlongLines; }
    // Bytes held for the line being received (bounded by kMaxReplyLength).
    qsizetype bufferedBytes() const { return m_buffer.size(); }
    // Queries still owed a reply.
    qsizetype owedReplies() const { return m_owed.size(); }
    // The first moment from which a reply identical to the last one is no
    // longer taken for its echo: a query written from then on may be answered
    // with the same line.
    std::chrono::milliseconds echoPassedAt() const
    {
        return m_lastReplyAt + kEchoWindow + std::chrono::milliseconds(1);
    }

    QString errorString() const { return m_error; }

Q_SIGNALS:
    // raw is the reply as received, terminator included.
    void replyReceived(const ParsedReply &reply, const QByteArray &raw);
    void exchangeFailed(ScannerLink::Failure failure, const QByteArray &partial);

private:
    struct OwedReply
    {
        quint64 selection;
        std::chrono::milliseconds writtenAt;
        std::chrono::milliseconds until;
        bool gaveUp; // its wait ended without a reply: a late one tells latency
    };

    std::chrono::milliseconds now() const;
    bool writeQuery();
    void onReadyRead();
    void take(const QByteArray &bytes);
    ParsedReply takeLine(const QByteArray &line);
    void expireOwed();
    void owe(std::chrono::milliseconds writtenAt, std::chrono::milliseconds wait, bool gaveUp);
    void endWait();
    void noteLatency(std::chrono::milliseconds latency, bool late);
    void onTimeout();
    void onLineFailed(const QString &reason);

    SerialPort &m_port;
    TimerFactory &m_timers;
    std::unique_ptr<Timer> m_timeout;
    QString m_error;

    // The line being received, and whether it overran kMaxReplyLength (its
    // bytes are then dropped up to its terminator).
    QByteArray m_buffer;
    bool m_overlong = false;
    quint64 m_overlongLines = 0;
    // The bodies of the last replies, newest last, to tell echoes and repeats.
    static constexpr qsizetype kRecentReplies = 4;
    QList<QByteArray> m_recentReplies;
    std::chrono::milliseconds m_lastReplyAt { 0 };

    quint64 m_selection = 0;
    QList<OwedReply> m_owed; // oldest first
    bool m_waiting = false;
    std::chrono::milliseconds m_queryWrittenAt { 0 };
    std::chrono::milliseconds m_queryWait { 0 };
    std::chrono::milliseconds m_learnedWait { 0 };
};
