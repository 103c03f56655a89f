#include "PostgresScanRecord.h"

#include "OpenScanRecord.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>

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
const std::array<QStringList, PostgresScanRecord::kSchemaVersion> kMigrations {
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

QDateTime utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

PostgresScanRecord::PostgresScanRecord(const QUrl &server, QObject *parent)
    : ScanRecord(parent), m_server(server)
{
    static QAtomicInteger<quint64> instances;
    m_connection = u"rozivoda-server-%1"_s.arg(instances.fetchAndAddRelaxed(1));
    m_error = u"the shared record is not open"_s;
}

PostgresScanRecord::~PostgresScanRecord()
{
    close();
}

QSqlDatabase PostgresScanRecord::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void PostgresScanRecord::close()
{
    m_working = false;
    m_units.clear();
    if (!QSqlDatabase::contains(m_connection))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool PostgresScanRecord::open()
{
    close();
    m_scan = -1;
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

bool PostgresScanRecord::fail(const QString &doing, const QSqlError &error)
{
    if (!m_working)
        return false;
    m_working = false;
    m_error = u"cannot %1 %2: %3"_s.arg(doing, displayStoreUrl(m_server), error.text());
    Q_EMIT stoppedWorking(m_error);
    return false;
}

bool PostgresScanRecord::migrate()
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

int PostgresScanRecord::unitId(const QString &unit, QSqlError *error)
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

QSqlError PostgresScanRecord::bindReading(QSqlQuery &insert, int first, qint64 scan, qint64 seq,
                                          qint64 startMs, const Reading &reading)
{
    QSqlError error;
    const int unit = unitId(reading.unit, &error);
    if (error.isValid())
        return error;
    const qint64 timeMs = reading.time.isValid() ? reading.time.toMSecsSinceEpoch()
                                                 : QDateTime::currentMSecsSinceEpoch();
    insert.bindValue(first, scan);
    insert.bindValue(first + 1, seq);
    insert.bindValue(first + 2, reading.pass);
    insert.bindValue(first + 3, reading.channel);
    insert.bindValue(first + 4, timeMs - startMs);
    insert.bindValue(first + 5, reading.value.isEmpty() ? QVariant() : serverText(reading.value));
    insert.bindValue(first + 6, unit == 0 ? QVariant() : QVariant(unit));
    insert.bindValue(first + 7, int(reading.status));
    insert.bindValue(first + 8, reading.raw.isEmpty() ? QVariant() : QVariant(reading.raw));
    insert.bindValue(first + 9, reading.givenUp);
    return {};
}

bool PostgresScanRecord::putReadings(qint64 id, qint64 startMs,
                                     const QList<NumberedReading> &readings)
{
    if (!m_working)
        return false;
    // Many rows to a statement: a round trip per reading would hold a rig
    // that comes back after a long outage to a few thousand readings a second.
    constexpr qsizetype kRowsPerInsert = 100;
    constexpr int kColumns = 10;
    const auto insertOf = [](qsizetype rows) {
        QStringList values(rows, u"(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        return u"INSERT INTO reading (scan, seq, pass, channel, t_ms, value, unit, status, raw, "
               "given_up) VALUES "_s
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

std::optional<QHash<PostgresScanRecord::CopyKey, PostgresScanRecord::Copy>>
PostgresScanRecord::copiesOf(const QString &host, const QString &rig)
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

qint64 PostgresScanRecord::putScan(const QString &host, const QString &rig, qint64 localId,
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
        "failed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT (host, rig, local_id, start_ms) DO UPDATE SET end_ms = excluded.end_ms, "
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
    if (!query.exec() || !query.next()) {
        fail(u"write"_s, query.lastError());
        return -1;
    }
    return query.value(0).toLongLong();
}

qint64 PostgresScanRecord::beginScan(const ScanInfo &info)
{
    if (!m_working)
        return -1;
    if (m_scan >= 0 && !endScan(ScanState::Stopped))
        return -1;
    const QDateTime start = info.start.isValid() ? info.start : QDateTime::currentDateTimeUtc();
    QSqlQuery query(database());
    query.prepare(u"INSERT INTO scan (host, start_ms, port, device, first_channel, "
                  "last_channel, term_ms, state) VALUES (?, ?, ?, ?, ?, ?, ?, 'running') "
                  "RETURNING id"_s);
    query.addBindValue(serverText(info.host.isEmpty() ? QSysInfo::machineHostName() : info.host));
    query.addBindValue(start.toMSecsSinceEpoch());
    query.addBindValue(serverText(info.portName));
    query.addBindValue(serverText(info.device));
    query.addBindValue(info.startChannel);
    query.addBindValue(info.endChannel);
    query.addBindValue(qint64(info.term.count()));
    if (!query.exec() || !query.next()) {
        fail(u"write"_s, query.lastError());
        return -1;
    }
    m_scan = query.value(0).toLongLong();
    m_scanStartMs = start.toMSecsSinceEpoch();
    m_nextSeq = 1;
    return m_scan;
}

bool PostgresScanRecord::addReading(const Reading &reading)
{
    if (!m_working)
        return false;
    if (m_scan < 0) {
        // Manual readings go with this machine's other manual readings.
        const qint64 manual = putScan(QSysInfo::machineHostName(), {}, 0, {});
        if (manual < 0)
            return false;
        QSqlQuery next(database());
        next.prepare(u"SELECT coalesce(max(seq), 0) + 1 FROM reading WHERE scan = ?"_s);
        next.addBindValue(manual);
        if (!next.exec() || !next.next())
            return fail(u"read"_s, next.lastError());
        return putReadings(manual, 0, { { next.value(0).toLongLong(), reading } });
    }
    QSqlQuery insert(database());
    insert.prepare(u"INSERT INTO reading (scan, seq, pass, channel, t_ms, value, unit, status, "
                   "raw, given_up) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    if (const QSqlError error = bindReading(insert, 0, m_scan, m_nextSeq, m_scanStartMs, reading);
        error.isValid())
        return fail(u"write"_s, error);
    if (!insert.exec())
        return fail(u"write"_s, insert.lastError());
    ++m_nextSeq;
    return true;
}

bool PostgresScanRecord::endScan(ScanState state, const QDateTime &end)
{
    if (!m_working || m_scan < 0)
        return false;
    const qint64 id = m_scan;
    m_scan = -1;
    QSqlQuery query(database());
    query.prepare(u"UPDATE scan SET end_ms = ? WHERE id = ?"_s);
    query.addBindValue(end.isValid() ? end.toMSecsSinceEpoch()
                                     : QDateTime::currentMSecsSinceEpoch());
    query.addBindValue(id);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    return setState(id, state == ScanState::Running ? ScanState::Stopped : state, {});
}

bool PostgresScanRecord::setState(qint64 id, ScanState state, const QString &file)
{
    if (!m_working)
        return false;
    if (id == m_scan && !endScan(state))
        return false;
    const std::optional<ScanSummary> summary = scan(id);
    if (!summary) {
        m_error = u"there is no scan %1 in %2"_s.arg(id).arg(displayStoreUrl(m_server));
        return false;
    }
    QSqlQuery query(database());
    query.prepare(u"UPDATE scan SET state = ?, saved_file = coalesce(?, saved_file), "
                  "end_ms = ?, passes = ?, readings = ?, failed = ? WHERE id = ?"_s);
    query.addBindValue(scanStateName(state));
    query.addBindValue(file.isEmpty() ? QVariant() : serverText(file));
    query.addBindValue(summary->end.toMSecsSinceEpoch());
    query.addBindValue(summary->passes);
    query.addBindValue(summary->readings);
    query.addBindValue(summary->failedReadings);
    query.addBindValue(id);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    return true;
}

bool PostgresScanRecord::markSaved(qint64 id, const QString &file)
{
    return setState(id, ScanState::Saved, file);
}

bool PostgresScanRecord::markDiscarded(qint64 id)
{
    return setState(id, ScanState::Discarded, {});
}

QList<ScanSummary> PostgresScanRecord::summaries(const QString &where, const QVariantList &values)
{
    QList<ScanSummary> list;
    if (!m_working)
        return list;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // A scan still running has no figures of its own yet: they come from its
    // readings.
    query.prepare(
        u"SELECT s.id, s.start_ms, coalesce(s.end_ms, s.start_ms + c.last_ms), s.port, "
        "s.device, s.first_channel, s.last_channel, s.term_ms, s.state, s.saved_file, s.host, "
        "coalesce(s.passes, c.passes), coalesce(s.readings, c.taken), "
        "coalesce(s.failed, c.failed) FROM scan s LEFT JOIN LATERAL ("
        "SELECT count(DISTINCT pass) FILTER (WHERE pass > 0) AS passes, "
        "count(*) FILTER (WHERE status = 0) AS taken, "
        "count(*) FILTER (WHERE status <> 0) AS failed, coalesce(max(t_ms), 0) AS last_ms "
        "FROM reading r WHERE r.scan = s.id AND s.passes IS NULL) c ON true "
        "WHERE s.state <> 'manual' "_s
        + where + u" ORDER BY s.start_ms DESC, s.id DESC"_s);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_error = u"cannot read %1: %2"_s.arg(displayStoreUrl(m_server), query.lastError().text());
        return list;
    }
    while (query.next()) {
        ScanSummary scan;
        scan.id = query.value(0).toLongLong();
        scan.info.start = utc(query.value(1).toLongLong());
        scan.end = utc(query.value(2).toLongLong());
        scan.info.portName = query.value(3).toString();
        scan.info.device = query.value(4).toString();
        scan.info.startChannel = query.value(5).toInt();
        scan.info.endChannel = query.value(6).toInt();
        scan.info.term = std::chrono::milliseconds(query.value(7).toLongLong());
        scan.state = scanStateFromName(query.value(8).toString());
        scan.savedFile = query.value(9).toString();
        scan.info.host = query.value(10).toString();
        scan.passes = query.value(11).toInt();
        scan.readings = query.value(12).toLongLong();
        scan.failedReadings = query.value(13).toLongLong();
        list.append(scan);
    }
    return list;
}

QList<ScanSummary> PostgresScanRecord::listScans()
{
    return summaries({}, {});
}

QList<ScanSummary> PostgresScanRecord::unfinishedScans()
{
    QList<ScanSummary> list
        = summaries(u"AND s.state = 'running' AND s.host = ?"_s, { QSysInfo::machineHostName() });
    list.removeIf([this](const ScanSummary &scan) { return scan.id == m_scan; });
    return list;
}

std::optional<ScanSummary> PostgresScanRecord::scan(qint64 id)
{
    const QList<ScanSummary> list = summaries(u"AND s.id = ?"_s, { id });
    if (list.isEmpty())
        return std::nullopt;
    return list.first();
}

bool PostgresScanRecord::readScan(qint64 id, const std::function<void(const Reading &)> &visit)
{
    if (!m_working)
        return false;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT r.pass, r.channel, s.start_ms + r.t_ms, r.value, u.text, r.status, "
                  "r.raw, r.given_up FROM reading r JOIN scan s ON s.id = r.scan "
                  "LEFT JOIN unit u ON u.id = r.unit WHERE r.scan = ? ORDER BY r.seq"_s);
    query.addBindValue(id);
    if (!query.exec()) {
        m_error = u"cannot read %1: %2"_s.arg(displayStoreUrl(m_server), query.lastError().text());
        return false;
    }
    Reading reading;
    while (query.next()) {
        reading.pass = query.value(0).toInt();
        reading.channel = query.value(1).toInt();
        reading.time = utc(query.value(2).toLongLong());
        reading.value = query.value(3).toString();
        reading.unit = query.value(4).toString();
        reading.status = Reading::Status(std::clamp(query.value(5).toInt(), 0, 3));
        reading.raw = query.value(6).toByteArray();
        reading.givenUp = query.value(7).toBool();
        visit(reading);
    }
    return true;
}

bool PostgresScanRecord::deleteScan(qint64 id)
{
    if (!m_working)
        return false;
    if (id == m_scan) {
        m_error = u"the scan being taken cannot be deleted"_s;
        return false;
    }
    QSqlQuery query(database());
    query.prepare(u"DELETE FROM scan WHERE id = ?"_s);
    query.addBindValue(id);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    return true;
}

int PostgresScanRecord::applyRetention(int days, const QDateTime &now)
{
    if (!m_working || days <= 0)
        return 0;
    const qint64 cutoff = now.toMSecsSinceEpoch() - qint64(days) * 24 * 3600 * 1000;
    QSqlQuery query(database());
    query.prepare(u"DELETE FROM scan WHERE host = ? AND state IN ('saved', 'discarded') "
                  "AND coalesce(end_ms, start_ms) < ?"_s);
    query.addBindValue(QSysInfo::machineHostName());
    query.addBindValue(cutoff);
    if (!query.exec()) {
        fail(u"write"_s, query.lastError());
        return 0;
    }
    return query.numRowsAffected();
}
