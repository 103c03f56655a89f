#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One reading of one channel as the scan took it (or failed to), with the
// time of the reply. The scan reports these; the record, the live view and the
// exports consume them.
struct Reading
{
    enum class Status {
        Taken, // a value was read and stored in the table
        NoReply, // the wait ended without a complete reply
        Unreadable, // a reply came whose value cannot be read (raw holds it)
        LineLost, // the line to the scanner had failed
    };

    // The pass (the table row's ID, from 1); 0 for a manual reading.
    int pass = 0;
    int channel = 0;
    // UTC, millisecond precision: when the reply came or the wait ended.
    QDateTime time;
    // The value text as stored in the table; empty unless taken.
    QString value;
    QString unit;
    Status status = Status::Taken;
    // The reply's bytes when it could not be read, or what came before a time-out.
    QByteArray raw;
    // After this failure the cell was given up and left empty.
    bool givenUp = false;

    // The settle check of a taken reading: the queries it took (0 when the check
    // was off), the time from the channel's select to the reply stored, whether
    // the last two replies agreed within the tolerance, and how far apart they
    // were (NaN with a single reply).
    int settleQueries = 0;
    qint64 settleMs = 0;
    bool settled = true;
    double settleSpread = 0;

    bool taken() const { return status == Status::Taken; }

    // Why a failed reading failed, as the table's mark on a given-up cell
    // shows it; the record rebuilds those marks from it. A failed write's raw
    // holds the port's error text.
    QString failureText() const
    {
        using namespace Qt::StringLiterals;
        const auto shown = [this] {
            return QString::fromLatin1(raw.toPercentEncoding(" ,./-+"));
        };
        switch (status) {
        case Status::Taken:
            return {};
        case Status::NoReply:
            return raw.isEmpty() ? u"no reply"_s : u"incomplete reply: "_s + shown();
        case Status::Unreadable:
            return u"unreadable reply: "_s + shown();
        case Status::LineLost:
            // Empty while the line was down: no query could be written at all.
            return raw.isEmpty() ? u"line lost"_s : u"query not sent: "_s + QString::fromUtf8(raw);
        }
        return {};
    }
};
