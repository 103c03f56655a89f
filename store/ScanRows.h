#pragma once

#include "ScanRecord.h"

#include <QVariant>

class QSqlQuery;

// The rows of the record's two tables as both schemas, the embedded file's
// and the shared server's, hold them: the same columns in the same order, so
// that every reader and writer of a scan or a reading maps it here.

// A scan's columns as summaryFromRow() reads them, from its first column on:
// id, start_ms, end_ms, port, device, first_channel, last_channel, term_ms,
// state, saved_file, host, passes, readings, failed, channel_names. A null
// end_ms leaves the end invalid; channel_names is the names' JSON text.
ScanSummary summaryFromRow(const QSqlQuery &query, int first = 0);

// The channel_names column's value for names: their JSON text, null for none.
QVariant channelNamesValue(const ChannelNames &names);
// How much of channel_names a reader takes; a longer text reads as no names.
inline constexpr int kMaxChannelNamesText = 1 << 20;

// A reading's columns as readingFromRow() reads them: pass, channel, t_ms,
// value, the unit's text, status, raw, given_up, settle_queries, settle_ms,
// settle_spread, settled. t_ms counts from startMs. The settle columns are
// null for a reading taken without the settle check.
Reading readingFromRow(const QSqlQuery &query, int first, qint64 startMs);

// Reads the settle columns into reading; nulls leave it unchecked.
void readSettleColumns(Reading &reading, const QVariant &queries, const QVariant &ms,
                       const QVariant &spread, const QVariant &settled);

// The reading table's columns in the order bindReadingRow() binds them.
inline constexpr char16_t kReadingColumns[]
    = u"scan, seq, pass, channel, t_ms, value, unit, status, raw, given_up, "
      u"settle_queries, settle_ms, settle_spread, settled";
inline constexpr int kReadingColumnCount = 14;
// The settle columns as a query selects them, after given_up.
inline constexpr char16_t kSettleColumns[]
    = u"r.settle_queries, r.settle_ms, r.settle_spread, r.settled";

// Binds a reading's row from the placeholder first on. value is its text as
// the schema stores it (ignored, and stored null, when the reading has none);
// unit 0 is none; t_ms counts from startMs.
void bindReadingRow(QSqlQuery &insert, int first, qint64 scan, qint64 seq, qint64 startMs,
                    const Reading &reading, const QVariant &value, int unit);
