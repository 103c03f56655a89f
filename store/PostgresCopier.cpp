#include "PostgresCopier.h"

#include "OpenScanRecord.h"
#include "ScanRows.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Taken by whichever rig brings the schema up to date, so that two rigs
// starting together do not both create it.
constexpr qint64 kSchemaLock = 0x524f5a49;

// Step n takes the schema from version n to n + 1. Never edit a step that has
// shipped: add one. The embedded file's tables, with the host and the scan's
// id in the rig's file added; a scan with state 'manual' holds a rig's manual
// readings.
const std::array<QStringList, PostgresCopier::kSchemaVersion> kMigrations {
    QStringList {
        u"CREATE TABLE scan ("
        "id BIGSERIAL PRIMARY KEY, host TEXT NOT NULL, local_id BIGINT, "
        "start_ms BIGINT NOT NULL, end_ms BIGINT, port TEXT NOT NULL, device TEXT NOT NULL, "
        "first_channel INTEGER NOT NULL, last_channel INTEGER NOT NULL, term_ms BIGINT NOT NULL, "
        "state TEXT NOT NULL CHECK (state IN "
        "('running', 'stopped', 'saved', 'discarded', 'manual')), "
        "saved_file TEXT, passes INTEGER, readings BIGINT, failed BIGINT, "
        "UNIQUE (host, local_id, start_ms))"_s,
        u"CREATE TABLE unit (id SERIAL PRIMARY KEY, text TEXT NOT NULL UNIQUE)"_s,
        u"CREATE TABLE reading ("
        "scan BIGINT NOT NULL REFERENCES scan (id) ON DELETE CASCADE, seq BIGINT NOT NULL, "
        "pass INTEGER NOT NULL, channel INTEGER NOT NULL, t_ms BIGINT NOT NULL, value TEXT, "
        "unit INTEGER REFERENCES unit (id), status SMALLINT NOT NULL, raw BYTEA, "
        "given_up BOOLEAN NOT NULL, PRIMARY KEY (scan, seq))"_s,
        u"CREATE VIEW readings AS SELECT s.host, r.scan, r.seq, r.pass, r.channel, "
        "to_timestamp((s.start_ms + r.t_ms) / 1000.0) AS time, r.value, u.text AS unit, "
        "CASE r.status WHEN 0 THEN 'taken' WHEN 1 THEN 'no reply' "
        "WHEN 2 THEN 'unreadable' ELSE 'line lost' END AS status, r.raw, r.given_up "
        "FROM reading r JOIN scan s ON s.id = r.scan LEFT JOIN unit u ON u.id = r.unit"_s,
    },
    // 2: a rig is told apart by the random id its file was created with, as
    // cloned machines share a host name; the view gives the value as a number
    // (the text as read beside it) and the rig.
    QStringList {
        u"ALTER TABLE scan ADD COLUMN rig TEXT NOT NULL DEFAULT ''"_s,
        u"ALTER TABLE scan DROP CONSTRAINT scan_host_local_id_start_ms_key"_s,
        u"ALTER TABLE scan ADD UNIQUE (host, rig, local_id, start_ms)"_s,
        u"DROP VIEW readings"_s,
        u"CREATE VIEW readings AS SELECT s.host, s.rig, r.scan, r.seq, r.pass, r.channel, "
        "to_timestamp((s.start_ms + r.t_ms) / 1000.0) AS time, "
        "CASE WHEN r.value ~ '^ *[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)? *$' "
        "THEN r.value::double precision END AS value, r.value AS value_text, "
        "u.text AS unit, CASE r.status WHEN 0 THEN 'taken' WHEN 1 THEN 'no reply' "
        "WHEN 2 THEN 'unreadable' ELSE 'line lost' END AS status, r.raw, r.given_up "
        "FROM reading r JOIN scan s ON s.id = r.scan LEFT JOIN unit u ON u.id = r.unit"_s,
    },
    // 3: what each channel measured, as the rig's file keeps it (JSON text).
    QStringList { u"ALTER TABLE scan ADD COLUMN channel_names TEXT"_s },
    // 4: how a reading taken with the settle check settled; null without it.
    QStringList {
        u"ALTER TABLE reading ADD COLUMN settle_queries INTEGER, "
        "ADD COLUMN settle_ms BIGINT, ADD COLUMN settle_spread DOUBLE PRECISION, "
        "ADD COLUMN settled BOOLEAN"_s,
    },
};

// A statement the server holds up (a table lock taken by an administrator's
// VACUUM FULL) fails after this long, so that neither a round nor the
// program's exit waits on it without end.
constexpr int kLockTimeoutMs = 5000;
constexpr int kStatementTimeoutMs = 10000;

// The server's text type cannot hold a NUL: the statement fails and, with it,
// every reading queued behind. A NUL reads as a space, as the reply parser
// makes of one.
QVariant serverText(const QString &text)
{
    if (text.isNull())
        return u""_s;
    if (!text.contains(QChar(0)))
        return text;
    QString clean = text;
    clean.replace(QChar(0), u' ');
    return clean;
}

// SQLSTATE classes of a statement refused for what it carries (data
// exception, integrity constraint, syntax the data broke), as opposed to a
// connection or server trouble that passes.
bool refusesData(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    return state.startsWith(u"22"_s) || state.startsWith(u"23"_s) || state == u"42601"_s;
}

} // namespace

PostgresCopier::PostgresCopier(const QUrl &server) : m_server(server)
{
    static QAtomicInteger<quint64> instances;
    m_connection = u"rozivoda-server-%1"_s.arg(instances.fetchAndAddRelaxed(1));
    m_error = u"the shared record is not open"_s;
}

PostgresCopier::~PostgresCopier()
{
    close();
}

QSqlDatabase PostgresCopier::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void PostgresCopier::close()
{
    m_working = false;
    m_units.clear();
    if (!QSqlDatabase::contains(m_connection))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool PostgresCopier::open()
{
    close();
    const QString where = displayStoreUrl(m_server);
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
        m_error = u"the PostgreSQL driver of Qt SQL is not installed (libqt6sql6-psql)"_s;
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_connection);
        db.setHostName(m_server.host());
        if (m_server.port() > 0)
            db.setPort(m_server.port());
        db.setDatabaseName(m_server.path().mid(1));
        db.setUserName(m_server.userName());
        // Without one here, the client library looks in PGPASSWORD and ~/.pgpass.
        if (!m_server.password().isEmpty())
            db.setPassword(m_server.password());
        // A server that went away mid-query shows within seconds, not after
        // the system's TCP time-out.
        db.setConnectOptions(u"connect_timeout=%1;keepalives_idle=5;keepalives_interval=2;"
                             "keepalives_count=2;tcp_user_timeout=10000;"
                             "application_name=rozivoda"_s.arg(kConnectTimeout.count()));
        if (!db.open()) {
            // The server's own reason ("password authentication failed for
            // user ...") is the database text; the driver's is generic.
            QString why = db.lastError().databaseText();
            why.remove(u"FATAL:"_s);
            why = why.simplified();
            if (why.isEmpty())
                why = db.lastError().text();
            m_error = u"cannot connect to %1: %2"_s.arg(where, why);
            db = QSqlDatabase();
            close();
            return false;
        }
    }
    m_working = true;
    // The server's notices ("relation already exists, skipping") would reach
    // the command line's stderr.
    QSqlQuery setup(database());
    if (!setup.exec(u"SET client_min_messages TO warning"_s)
        || !setup.exec(u"SET lock_timeout = %1"_s.arg(kLockTimeoutMs))
        || !setup.exec(u"SET statement_timeout = %1"_s.arg(kStatementTimeoutMs))) {
        setup = QSqlQuery();
        fail(u"set up"_s, database().lastError());
        close();
        return false;
    }
    if (!migrate()) {
        close();
        return false;
    }
    return true;
}

bool PostgresCopier::fail(const QString &doing, const QSqlError &error)
{
    if (!m_working)
        return false;
    m_working = false;
    m_error = u"cannot %1 %2: %3"_s.arg(doing, displayStoreUrl(m_server), error.text());
    return false;
}

bool PostgresCopier::migrate()
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    if (!db.transaction())
        return fail(u"set up"_s, db.lastError());
    const auto rollback = [&](const QSqlError &error) {
        db.rollback();
        return fail(u"set up"_s, error);
    };
    query.prepare(u"SELECT pg_advisory_xact_lock(?)"_s);
    query.addBindValue(kSchemaLock);
    if (!query.exec()
        || !query.exec(u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"_s)
        || !query.exec(u"SELECT coalesce(max(version), 0) FROM schema_version"_s) || !query.next())
        return rollback(query.lastError());
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion) {
        db.rollback();
        m_error = u"%1 was set up by a newer version of this program (schema %2, this one "
                  "knows up to %3)"_s.arg(displayStoreUrl(m_server))
                      .arg(version)
                      .arg(kSchemaVersion);
        m_working = false;
        return false;
    }
    for (int step = version; step < kSchemaVersion; ++step) {
        for (const QString &statement : kMigrations[std::size_t(step)])
            if (!query.exec(statement))
                return rollback(query.lastError());
    }
    if (version < kSchemaVersion
        && (!query.exec(u"DELETE FROM schema_version"_s)
            || !query.exec(u"INSERT INTO schema_version VALUES (%1)"_s.arg(kSchemaVersion))))
        return rollback(query.lastError());
    if (!db.commit())
        return fail(u"set up"_s, db.lastError());
    return true;
}

int PostgresCopier::unitId(const QString &unit, QSqlError *error)
{
    if (unit.isEmpty())
        return 0;
    const auto found = m_units.constFind(unit);
    if (found != m_units.constEnd())
        return found.value();
    QSqlQuery query(database());
    query.prepare(u"INSERT INTO unit (text) VALUES (?) ON CONFLICT (text) DO NOTHING"_s);
    query.addBindValue(serverText(unit));
    if (!query.exec()) {
        *error = query.lastError();
        return 0;
    }
    query.prepare(u"SELECT id FROM unit WHERE text = ?"_s);
    query.addBindValue(serverText(unit));
    if (!query.exec() || !query.next()) {
        *error = query.lastError();
        return 0;
    }
    const int id = query.value(0).toInt();
    m_units.insert(unit, id);
    return id;
}

QSqlError PostgresCopier::bindReading(QSqlQuery &insert, int first, qint64 scan, qint64 seq,
                                      qint64 startMs, const Reading &reading)
{
    QSqlError error;
    const int unit = unitId(reading.unit, &error);
    if (error.isValid())
        return error;
    bindReadingRow(insert, first, scan, seq, startMs, reading, serverText(reading.value), unit);
    return {};
}

bool PostgresCopier::putReadings(qint64 id, qint64 startMs, const QList<NumberedReading> &readings)
{
    if (!m_working)
        return false;
    // Many rows to a statement: a round trip per reading would hold a rig
    // that comes back after a long outage to a few thousand readings a second.
    constexpr qsizetype kRowsPerInsert = 100;
    constexpr int kColumns = kReadingColumnCount;
    const auto insertOf = [](qsizetype rows) {
        QStringList values(rows, u"(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        return u"INSERT INTO reading (%1) VALUES "_s.arg(QStringView(kReadingColumns))
            + values.join(u", "_s) + u" ON CONFLICT (scan, seq) DO NOTHING"_s;
    };
    QSqlDatabase db = database();
    m_refused = false;
    if (!db.transaction())
        return fail(u"write"_s, db.lastError());
    const auto rollback = [&](const QSqlError &error) {
        db.rollback();
        // Units first added in this transaction went with it.
        m_units.clear();
        // The server is there and refused these readings: the connection
        // goes on, and the caller may send them one by one.
        if (error.isValid() && refusesData(error) && db.isOpen()) {
            m_refused = true;
            m_error = u"%1 refused a reading: %2"_s.arg(displayStoreUrl(m_server),
                                                        error.databaseText().simplified());
            return false;
        }
        return error.isValid() ? fail(u"write"_s, error) : false;
    };
    QSqlQuery insert(db);
    qsizetype prepared = 0;
    for (qsizetype first = 0; first < readings.size(); first += kRowsPerInsert) {
        const qsizetype rows = std::min(kRowsPerInsert, readings.size() - first);
        if (rows != prepared) {
            if (!insert.prepare(insertOf(rows)))
                return rollback(insert.lastError());
            prepared = rows;
        }
        for (qsizetype row = 0; row < rows; ++row) {
            const NumberedReading &numbered = readings[first + row];
            const QSqlError unitError = bindReading(insert, int(row) * kColumns, id, numbered.seq,
                                                    startMs, numbered.reading);
            if (unitError.isValid())
                return rollback(unitError);
        }
        if (!insert.exec())
            return rollback(insert.lastError());
    }
    if (!db.commit())
        return fail(u"write"_s, db.lastError());
    return true;
}

std::optional<QHash<PostgresCopier::CopyKey, PostgresCopier::Copy>>
PostgresCopier::copiesOf(const QString &host, const QString &rig)
{
    if (!m_working)
        return std::nullopt;
    QSqlQuery query(database());
    // Copies sent before rigs had ids are this host's; the first rig of that
    // name to come back takes them, so that they are not sent again.
    query.prepare(
        u"UPDATE scan SET rig = ? WHERE host = ? AND rig = '' AND local_id IS NOT NULL"_s);
    query.addBindValue(serverText(rig));
    query.addBindValue(serverText(host));
    if (!rig.isEmpty() && !query.exec()) {
        fail(u"write"_s, query.lastError());
        return std::nullopt;
    }
    query.setForwardOnly(true);
    query.prepare(u"SELECT s.local_id, s.start_ms, s.id, "
                  "(SELECT coalesce(max(seq), 0) FROM reading r WHERE r.scan = s.id) "
                  "FROM scan s WHERE s.host = ? AND s.rig = ? AND s.local_id IS NOT NULL"_s);
    query.addBindValue(serverText(host));
    query.addBindValue(serverText(rig));
    if (!query.exec()) {
        fail(u"read"_s, query.lastError());
        return std::nullopt;
    }
    QHash<CopyKey, Copy> copies;
    while (query.next())
        copies.insert({ query.value(0).toLongLong(), query.value(1).toLongLong() },
                      { query.value(2).toLongLong(), query.value(3).toLongLong() });
    return copies;
}

qint64 PostgresCopier::putScan(const QString &host, const QString &rig, qint64 localId,
                               const ScanSummary &summary)
{
    if (!m_working)
        return -1;
    const bool manual = localId == 0;
    const auto nullIfNot = [](bool has, const QVariant &value) {
        return has ? value : QVariant();
    };
    const bool finished = summary.state != ScanState::Running;
    QSqlQuery query(database());
    query.prepare(
        u"INSERT INTO scan (host, rig, local_id, start_ms, end_ms, port, device, "
        "first_channel, last_channel, term_ms, state, saved_file, passes, readings, "
        "failed, channel_names) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT (host, rig, local_id, start_ms) DO UPDATE SET end_ms = excluded.end_ms, "
        "channel_names = excluded.channel_names, "
        "state = excluded.state, saved_file = excluded.saved_file, "
        "passes = excluded.passes, readings = excluded.readings, "
        "failed = excluded.failed RETURNING id"_s);
    query.addBindValue(serverText(host));
    query.addBindValue(serverText(rig));
    query.addBindValue(localId);
    query.addBindValue(manual ? 0 : summary.info.start.toMSecsSinceEpoch());
    query.addBindValue(
        nullIfNot(!manual && finished && summary.end.isValid(), summary.end.toMSecsSinceEpoch()));
    query.addBindValue(serverText(summary.info.portName));
    query.addBindValue(serverText(summary.info.device));
    query.addBindValue(summary.info.startChannel);
    query.addBindValue(summary.info.endChannel);
    query.addBindValue(qint64(summary.info.term.count()));
    query.addBindValue(manual ? u"manual"_s : scanStateName(summary.state));
    query.addBindValue(nullIfNot(!summary.savedFile.isEmpty(), serverText(summary.savedFile)));
    query.addBindValue(nullIfNot(!manual && finished, summary.passes));
    query.addBindValue(nullIfNot(!manual && finished, summary.readings));
    query.addBindValue(nullIfNot(!manual && finished, summary.failedReadings));
    query.addBindValue(manual ? QVariant() : channelNamesValue(summary.info.names));
    if (!query.exec() || !query.next()) {
        fail(u"write"_s, query.lastError());
        return -1;
    }
    return query.value(0).toLongLong();
}

QList<ScanSummary> PostgresCopier::listScans()
{
    QList<ScanSummary> list;
    if (!m_working)
        return list;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // A scan still running has no figures of its own yet: they come from its
    // readings.
    if (!query.exec(
            u"SELECT s.id, s.start_ms, coalesce(s.end_ms, s.start_ms + c.last_ms), s.port, "
            "s.device, s.first_channel, s.last_channel, s.term_ms, s.state, s.saved_file, s.host, "
            "coalesce(s.passes, c.passes), coalesce(s.readings, c.taken), "
            "coalesce(s.failed, c.failed), "
            "CASE WHEN length(s.channel_names) <= %1 THEN s.channel_names END "
            "FROM scan s LEFT JOIN LATERAL ("
            "SELECT count(DISTINCT pass) FILTER (WHERE pass > 0) AS passes, "
            "count(*) FILTER (WHERE status = 0) AS taken, "
            "count(*) FILTER (WHERE status <> 0) AS failed, coalesce(max(t_ms), 0) AS last_ms "
            "FROM reading r WHERE r.scan = s.id AND s.passes IS NULL) c ON true "
            "WHERE s.state <> 'manual' ORDER BY s.start_ms DESC, s.id DESC"_s.arg(
                kMaxChannelNamesText))) {
        m_error = u"cannot read %1: %2"_s.arg(displayStoreUrl(m_server), query.lastError().text());
        return list;
    }
    while (query.next())
        list.append(summaryFromRow(query));
    return list;
}

QList<Reading> PostgresCopier::loadScan(qint64 id)
{
    QList<Reading> readings;
    if (!m_working)
        return readings;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT r.pass, r.channel, s.start_ms + r.t_ms, r.value, u.text, r.status, "
                  "r.raw, r.given_up, %1 FROM reading r JOIN scan s ON s.id = r.scan "
                  "LEFT JOIN unit u ON u.id = r.unit WHERE r.scan = ? ORDER BY r.seq"_s.arg(
                      QStringView(kSettleColumns)));
    query.addBindValue(id);
    if (!query.exec()) {
        m_error = u"cannot read %1: %2"_s.arg(displayStoreUrl(m_server), query.lastError().text());
        return readings;
    }
    while (query.next())
        readings.append(readingFromRow(query, 0, 0));
    return readings;
}
