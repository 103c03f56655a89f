#include "ScanRows.h"

#include <QSqlQuery>

#include <algorithm>
#include <cmath>

namespace {

QDateTime utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

void readSettleColumns(Reading &reading, const QVariant &queries, const QVariant &ms,
                       const QVariant &spread, const QVariant &settled)
{
    if (queries.isNull() || queries.toInt() <= 0)
        return;
    reading.settleQueries = queries.toInt();
    reading.settleMs = ms.toLongLong();
    reading.settleSpread = spread.isNull() ? qQNaN() : spread.toDouble();
    reading.settled = settled.toBool();
}

ScanSummary summaryFromRow(const QSqlQuery &query, int first)
{
    const auto at = [&](int column) {
        return query.value(first + column);
    };
    ScanSummary scan;
    scan.id = at(0).toLongLong();
    scan.info.start = utc(at(1).toLongLong());
    if (!at(2).isNull())
        scan.end = utc(at(2).toLongLong());
    scan.info.portName = at(3).toString();
    scan.info.device = at(4).toString();
    scan.info.startChannel = at(5).toInt();
    scan.info.endChannel = at(6).toInt();
    scan.info.term = std::chrono::milliseconds(at(7).toLongLong());
    scan.state = scanStateFromName(at(8).toString());
    scan.savedFile = at(9).toString();
    scan.info.host = at(10).toString();
    scan.passes = at(11).toInt();
    scan.readings = at(12).toLongLong();
    scan.failedReadings = at(13).toLongLong();
    scan.info.names = ChannelNames::fromJson(at(14).toString());
    return scan;
}

Reading readingFromRow(const QSqlQuery &query, int first, qint64 startMs)
{
    const auto at = [&](int column) {
        return query.value(first + column);
    };
    Reading reading;
    reading.pass = at(0).toInt();
    reading.channel = at(1).toInt();
    reading.time = utc(startMs + at(2).toLongLong());
    reading.value = at(3).toString();
    reading.unit = at(4).toString();
    reading.status = Reading::Status(std::clamp(at(5).toInt(), 0, 3));
    reading.raw = at(6).toByteArray();
    reading.givenUp = at(7).toBool();
    readSettleColumns(reading, at(8), at(9), at(10), at(11));
    return reading;
}

QVariant channelNamesValue(const ChannelNames &names)
{
    return names.isEmpty() ? QVariant() : QVariant(names.toJson());
}

void bindReadingRow(QSqlQuery &insert, int first, qint64 scan, qint64 seq, qint64 startMs,
                    const Reading &reading, const QVariant &value, int unit)
{
    const qint64 timeMs = reading.time.isValid() ? reading.time.toMSecsSinceEpoch()
                                                 : QDateTime::currentMSecsSinceEpoch();
    insert.bindValue(first, scan);
    insert.bindValue(first + 1, seq);
    insert.bindValue(first + 2, reading.pass);
    insert.bindValue(first + 3, reading.channel);
    insert.bindValue(first + 4, timeMs - startMs);
    insert.bindValue(first + 5, reading.value.isEmpty() ? QVariant() : value);
    insert.bindValue(first + 6, unit == 0 ? QVariant() : QVariant(unit));
    insert.bindValue(first + 7, int(reading.status));
    insert.bindValue(first + 8, reading.raw.isEmpty() ? QVariant() : QVariant(reading.raw));
    insert.bindValue(first + 9, reading.givenUp);
    const bool checked = reading.settleQueries > 0;
    insert.bindValue(first + 10, checked ? QVariant(reading.settleQueries) : QVariant());
    insert.bindValue(first + 11, checked ? QVariant(reading.settleMs) : QVariant());
    insert.bindValue(first + 12,
                     checked && std::isfinite(reading.settleSpread) ? QVariant(reading.settleSpread)
                                                                    : QVariant());
    insert.bindValue(first + 13, checked ? QVariant(reading.settled) : QVariant());
}
