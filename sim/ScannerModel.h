#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>

// A stand-in for the scanner at the far end of the line, without any I/O:
// bytes from the host go in, the replies due come out with their timing. It
// answers "V" + digits CR LF (select) and "?R" CR LF (query) and ignores every
// other line. Readings are a fixed function of the channel and of the number of
// queries received so far, so tests can predict every value.
class ScannerModel
{
public:
    // What the scanner sends in answer to one query.
    enum class ReplyFault {
        None, // a well-formed reply
        Silent, // no reply at all
        NoComma, // the value field and LF CR, without comma and unit
        EarlyComma, // the comma within the first 11 characters
        Garbage, // a line of bytes that are not a reply, ended by LF CR
        Cut, // the first half of the reply, without its terminator
        Endless, // a megabyte of text without a terminator
    };

    struct Options
    {
        // Time from the query to the first byte of its reply.
        std::chrono::milliseconds replyDelay { 0 };
        // The same for single replies, by the 0-based number of their query
        // (0 is the first query received); replaces replyDelay for them.
        QHash<quint64, std::chrono::milliseconds> queryDelays;
        // The reply is split into this many pieces (at least 1) ...
        int pieces = 1;
        // ... with this much time between two pieces.
        std::chrono::milliseconds pieceGap { 0 };
        // Applies to every channel without an entry in channelFaults.
        ReplyFault fault = ReplyFault::None;
        QHash<int, ReplyFault> channelFaults;
        // Faults of single replies, by the number of their query; they win
        // over the channel's.
        QHash<quint64, ReplyFault> queryFaults;
        // A reply delayed by queryDelays is overtaken by the replies to later
        // queries, as from a scanner that answers each query as it can.
        bool overtake = false;
        // When above 0: that many queries are answered, and the line closes
        // when the next query arrives (which gets no reply).
        int closeAfterQueries = 0;
        // The time constant with which the pressure at the sensor approaches
        // a channel's after its select, as in a pneumatic scanner; 0 is at
        // once. channelSettle sets it per channel.
        std::chrono::milliseconds settleTime { 0 };
        QHash<int, std::chrono::milliseconds> channelSettle;
        // Every channel keeps the value of query 0, so that only settling
        // moves a reply.
        bool steadyValues = false;
        // The scanner's clock for settling; a steady clock when not set.
        std::function<std::chrono::milliseconds()> clock;
    };

    // One thing to do on the line, at a time relative to the command that
    // caused it: send bytes, or close the line.
    struct Action
    {
        std::chrono::milliseconds after { 0 };
        QByteArray bytes;
        bool closeLine = false;
    };

    static constexpr int kChannelCount = 100;
    static constexpr qsizetype kValueFieldWidth = 11;
    static constexpr qsizetype kUnitFieldWidth = 7;

    Options &options() { return m_options; }
    const Options &options() const { return m_options; }

    // Takes bytes from the host (in any pieces) and returns the actions that
    // the complete commands among them call for, in order.
    QList<Action> receive(const QByteArray &bytes);

    // Every byte received from the host, in order.
    const QByteArray &wireLog() const { return m_wireLog; }
    // Forgets the bytes logged so far, so that a long run does not keep them all.
    void clearWireLog() { m_wireLog.clear(); }
    int selectedChannel() const { return m_channel; }
    quint64 queriesReceived() const { return m_queries; }
    bool lineClosed() const { return m_closed; }

    // The reading of channel for the query with the 0-based number queryNumber
    // (counting every query received, answered or not), as the host shows it
    // ("-6.9875", "12"): channel × 1.5 − 7, plus 0.0125 × ((queryNumber / 10)
    // mod 20). So the value steps every ten queries, repeats every 200, is
    // negative for channels 0 to 4 and has at most 7 significant digits.
    static QString valueText(int channel, quint64 queryNumber);
    // The full reply to that query: the value with four decimals right-aligned
    // in 11 characters, a comma, "kgf/cm2", LF CR. While the sensor settles,
    // the value is off by the part of the step from the channel selected
    // before that is left: the step times exp(-t / time constant).
    static QByteArray replyText(int channel, quint64 queryNumber);
    static QByteArray unitText() { return QByteArrayLiteral("kgf/cm2"); }

private:
    QList<Action> handleLine(const QByteArray &line);
    void select(int channel);
    bool settles() const;
    // The query number the value of a reply follows.
    quint64 valueQuery(quint64 queryNumber) const
    {
        return m_options.steadyValues ? 0 : queryNumber;
    }
    std::chrono::milliseconds now() const;
    // How far the sensor still is from the selected channel's pressure, in
    // ten-thousandths of the unit.
    double sensedOffset() const;
    QList<Action> answerQuery();
    static QByteArray replyFor(qint64 tenThousandths);
    QByteArray faultyReply(ReplyFault fault, quint64 queryNumber) const;

    Options m_options;
    QByteArray m_wireLog;
    QByteArray m_pending;
    int m_channel = 0;
    quint64 m_queries = 0;
    double m_offset = 0;
    std::chrono::milliseconds m_selectedAt { 0 };
    bool m_closed = false;
};
