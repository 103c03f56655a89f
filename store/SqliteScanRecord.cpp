#include "SqliteScanRecord.h"

#include "LogLocation.h"
#include "ScanRows.h"

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>

#include <array>
#include <tuple>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// SQLite's primary result codes that say the file is not a sound database.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

// A writer waits this long for another program's transaction on the same
// file before the write counts as failed. The scan's writes run on a thread
// of their own, so a wait here holds up no tick.
constexpr int kBusyTimeoutMs = 2000;
// Opening waits longer: two programs started together both bring the schema
// up to date, one after the other.
constexpr int kOpenBusyTimeoutMs = 10000;
// What is read back of a scan's texts and a reading's value, unit and reply:
// a damaged file may hold megabytes where the line gives a few bytes.
constexpr int kMaxStoredName = 4096;
constexpr int kMaxStoredText = 64;
constexpr int kMaxStoredRaw = 65536;
// Readings kept in memory while another program holds the file; past this
// the record gives up.
constexpr qsizetype kMaxPending = 10000;

// Step n takes the schema from version n to n + 1. Never edit a step that has
// shipped: add one.
const std::array<QStringList, SqliteScanRecord::kSchemaVersion> kMigrations {
    // 1: scans, readings and their units. Reading times are milliseconds from
    // the scan's start (scan 0 holds the manual readings, timed from 1970), so
    // that a reading row stays a few dozen bytes; the key keeps a scan's
    // readings together in the order taken.
    QStringList {
        u"CREATE TABLE scan ("
        "id INTEGER PRIMARY KEY, start_ms INTEGER NOT NULL, end_ms INTEGER, "
        "port TEXT NOT NULL, device TEXT NOT NULL, "
        "first_channel INTEGER NOT NULL, last_channel INTEGER NOT NULL, "
        "term_ms INTEGER NOT NULL, "
        "state TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'saved', 'discarded')), "
        "saved_file TEXT, passes INTEGER, readings INTEGER, failed INTEGER)"_s,
        u"CREATE TABLE unit (id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE)"_s,
        u"CREATE TABLE reading ("
        "scan INTEGER NOT NULL, seq INTEGER NOT NULL, pass INTEGER NOT NULL, "
        "channel INTEGER NOT NULL, t_ms INTEGER NOT NULL, value TEXT, unit INTEGER, "
        "status INTEGER NOT NULL, raw BLOB, given_up INTEGER NOT NULL, "
        "PRIMARY KEY (scan, seq)) WITHOUT ROWID"_s,
        u"CREATE VIEW readings AS SELECT r.scan, r.seq, r.pass, r.channel, "
        "strftime('%Y-%m-%dT%H:%M:%fZ', (ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, "
        "'unixepoch') AS time, r.value, u.text AS unit, "
        "CASE r.status WHEN 0 THEN 'taken' WHEN 1 THEN 'no reply' "
        "WHEN 2 THEN 'unreadable' ELSE 'line lost' END AS status, r.raw, r.given_up "
        "FROM reading r LEFT JOIN scan s ON s.id = r.scan LEFT JOIN unit u ON u.id = r.unit"_s,
    },
    // 2: the machine a scan ran on, for records that several rigs share.
    QStringList { u"ALTER TABLE scan ADD COLUMN host TEXT"_s },
    // 3: the rig's random id, made with the file, that tells rigs apart on a
    // shared server when cloned machines share a host name. The view gives
    // the value as a number (the text as read beside it) and the time also
    // as the CSV export writes it: local, with its offset from UTC.
    QStringList {
        u"CREATE TABLE rig (id TEXT NOT NULL)"_s,
        u"INSERT INTO rig (id) VALUES (lower(hex(randomblob(16))))"_s,
        u"DROP VIEW readings"_s,
        u"CREATE VIEW readings AS SELECT r.scan, r.seq, r.pass, r.channel, "
        "strftime('%Y-%m-%dT%H:%M:%fZ', (ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, "
        "'unixepoch') AS time, "
        "strftime('%Y-%m-%dT%H:%M:%f', (ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, 'unixepoch', "
        "'localtime') || (SELECT CASE WHEN o < 0 THEN '-' ELSE '+' END "
        "|| printf('%02d:%02d', abs(o) / 60, abs(o) % 60) FROM (SELECT CAST(round(("
        "julianday((ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, 'unixepoch', 'localtime') - "
        "julianday((ifnull(s.start_ms, 0) + r.t_ms) / 1000.0, 'unixepoch')) * 1440) AS INTEGER) "
        "AS o)) AS local_time, "
        "CAST(r.value AS REAL) AS value, r.value AS value_text, u.text AS unit, "
        "CASE r.status WHEN 0 THEN 'taken' WHEN 1 THEN 'no reply' "
        "WHEN 2 THEN 'unreadable' ELSE 'line lost' END AS status, r.raw, r.given_up "
        "FROM reading r LEFT JOIN scan s ON s.id = r.scan LEFT JOIN unit u ON u.id = r.unit"_s,
    },
    // 4: what each channel measured, as named when the scan started: a JSON
    // object by channel, {"3":{"name":"Inlet static","note":"..."}}, null for
    // none.
    QStringList { u"ALTER TABLE scan ADD COLUMN channel_names TEXT"_s },
    // 5: the zeros of a scan: when each was taken (UTC ms), the passes
    // averaged, the first pass it applies to and the offsets per channel
    // ("3=0.012;4=-0.001") and their unit; no offsets is a clear. The
    // readings stay as read.
    QStringList {
        u"CREATE TABLE zero_set (scan INTEGER NOT NULL, taken_ms INTEGER NOT NULL, "
        "passes INTEGER NOT NULL, first_pass INTEGER NOT NULL, offsets TEXT NOT NULL, "
        "unit TEXT)"_s,
        u"CREATE INDEX zero_set_scan ON zero_set (scan)"_s,
    },
    // 6: how a reading taken with the settle check settled: its queries, the
    // time from the select to the reply kept, the last two replies' difference
    // and whether it was within the tolerance. Null without the check.
    QStringList {
        u"ALTER TABLE reading ADD COLUMN settle_queries INTEGER"_s,
        u"ALTER TABLE reading ADD COLUMN settle_ms INTEGER"_s,
        u"ALTER TABLE reading ADD COLUMN settle_spread REAL"_s,
        u"ALTER TABLE reading ADD COLUMN settled INTEGER"_s,
    },
};

int primaryCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

bool isBusy(const QSqlError &error)
{
    constexpr int kSqliteBusy = 5;
    constexpr int kSqliteLocked = 6;
    const int code = primaryCode(error);
    return code == kSqliteBusy || code == kSqliteLocked;
}

QDateTime utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

QString SqliteScanRecord::defaultPath()
{
    return stateDirectory() + u"/scans.sqlite"_s;
}

SqliteScanRecord::SqliteScanRecord(const QString &path, QObject *parent)
    : ScanRecord(parent), m_path(path)
{
    static QAtomicInteger<quint64> instances;
    m_connection = u"rozivoda-record-%1"_s.arg(instances.fetchAndAddRelaxed(1));
    m_error = u"the scan record is not open"_s;
}

SqliteScanRecord::~SqliteScanRecord()
{
    closeConnection();
}

void SqliteScanRecord::closeConnection()
{
    m_insertReading.reset();
    m_nextManualSeq.reset();
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool SqliteScanRecord::openConnection()
{
    if (!QSqlDatabase::isDriverAvailable(u"QSQLITE"_s)) {
        m_error = u"the SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)"_s;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kOpenBusyTimeoutMs));
    if (!db.open()) {
        m_error = u"cannot open %1: %2"_s.arg(m_path, db.lastError().text());
        db = QSqlDatabase();
        closeConnection();
        return false;
    }
    return true;
}

bool SqliteScanRecord::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (query.exec(sql))
        return true;
    return fail(u"write"_s, query.lastError());
}

bool SqliteScanRecord::open(Durability durability)
{
    closeConnection();
    m_durability = durability;
    m_working = false;
    m_movedAside.clear();
    m_scan = -1;
    m_units.clear();
    m_pending.clear();

    const QFileInfo file(m_path);
    if (!makeStateDirectory(file.absolutePath())) {
        m_error = u"cannot create the folder %1"_s.arg(file.absolutePath());
        return false;
    }
    // The lab's data is for its user only; SQLite gives the journal files
    // the database file's permissions.
    if (!file.exists()) {
        QFile create(m_path);
        if (create.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            create.close();
    } else if (m_path == defaultPath()) {
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    if (!openConnection())
        return false;

    // Reading the schema is where a damaged file shows: "file is not a
    // database" for one that is not SQLite at all, "malformed" for a damaged
    // schema.
    QSqlQuery probe(QSqlDatabase::database(m_connection, false));
    if (!probe.exec(u"SELECT count(*) FROM sqlite_master"_s)) {
        const int code = primaryCode(probe.lastError());
        const QString why = probe.lastError().text();
        probe = QSqlQuery();
        if (code != kSqliteCorrupt && code != kSqliteNotADatabase) {
            m_error = u"cannot read %1: %2"_s.arg(m_path, why);
            closeConnection();
            return false;
        }
        closeConnection();
        if (!moveAside() || !openConnection())
            return false;
    }
    probe = QSqlQuery();

    m_working = true;
    if (!migrate() || !prepare() || !exec(u"PRAGMA busy_timeout = %1"_s.arg(kBusyTimeoutMs))) {
        m_working = false;
        closeConnection();
        return false;
    }
    return true;
}

bool SqliteScanRecord::moveAside()
{
    const QFileInfo file(m_path);
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-ddTHHmmss"_s);
    QString aside;
    for (int n = 1;; ++n) {
        aside = file.absolutePath() + u'/' + file.completeBaseName() + u".corrupt-"_s + stamp
            + (n > 1 ? u"-"_s + QString::number(n) : QString()) + u'.' + file.suffix();
        if (!QFile::exists(aside))
            break;
    }
    if (!QFile::rename(m_path, aside)) {
        m_error = u"%1 is damaged and cannot be moved aside to %2"_s.arg(m_path, aside);
        return false;
    }
    // The journal files belong to the damaged file; they go with it.
    for (const auto *suffix : { "-wal", "-shm" }) {
        const QString extra = m_path + QLatin1StringView(suffix);
        if (QFile::exists(extra))
            QFile::rename(extra, aside + QLatin1StringView(suffix));
    }
    m_movedAside = aside;
    return true;
}

bool SqliteScanRecord::migrate()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return fail(u"read"_s, query.lastError());
    const int version = query.value(0).toInt();
    query.finish();
    if (version > kSchemaVersion) {
        m_error = u"%1 was written by a newer version of this program (schema %2, this one "
                  "knows up to %3)"_s.arg(m_path)
                      .arg(version)
                      .arg(kSchemaVersion);
        return false;
    }
    // Only possible before the first table exists; lets retention give the
    // space of removed scans back to the disk.
    if (version == 0 && !exec(u"PRAGMA auto_vacuum = INCREMENTAL"_s))
        return false;
    // Switching to the write-ahead log can be refused as busy without SQLite
    // waiting, while another program opening the same file switches it too:
    // asked again, within the opening's time-out.
    QDeadlineTimer switchDeadline(kOpenBusyTimeoutMs);
    while (!query.exec(u"PRAGMA journal_mode = WAL"_s) || !query.next()) {
        if (!isBusy(query.lastError()) || switchDeadline.hasExpired())
            return fail(u"set up"_s, query.lastError());
        query.finish();
        QThread::msleep(20);
    }
    if (query.value(0).toString() != u"wal") {
        m_error = u"cannot use %1: the write-ahead log is not available there"_s.arg(m_path);
        return false;
    }
    query.finish();
    const QString synchronous = m_durability == Durability::PowerLoss ? u"FULL"_s : u"NORMAL"_s;
    if (!exec(u"PRAGMA synchronous = "_s + synchronous))
        return false;

    // Another program opening the same file may be a step ahead: the version
    // is read again under the write lock before each step.
    for (int step = version; step < kSchemaVersion;) {
        if (!exec(u"BEGIN IMMEDIATE"_s))
            return false;
        if (!query.exec(u"PRAGMA user_version"_s) || !query.next()) {
            const QSqlError error = query.lastError();
            exec(u"ROLLBACK"_s);
            return fail(u"read"_s, error);
        }
        step = query.value(0).toInt();
        query.finish();
        if (step >= kSchemaVersion) {
            exec(u"ROLLBACK"_s);
            break;
        }
        for (const QString &statement : kMigrations[std::size_t(step)]) {
            if (!exec(statement)) {
                exec(u"ROLLBACK"_s);
                return false;
            }
        }
        if (!exec(u"PRAGMA user_version = %1"_s.arg(step + 1)) || !exec(u"COMMIT"_s))
            return false;
        ++step;
    }
    // A file that can be read but not written (a read-only file or folder)
    // shows here, not at the first reading.
    if (version == kSchemaVersion && !exec(u"PRAGMA user_version = %1"_s.arg(kSchemaVersion)))
        return false;
    return true;
}

bool SqliteScanRecord::prepare()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery units(db);
    if (!units.exec(u"SELECT id, text FROM unit"_s))
        return fail(u"read"_s, units.lastError());
    while (units.next())
        m_units.insert(units.value(1).toString(), units.value(0).toInt());
    m_rigId = rigIdOf(db);

    m_insertReading = std::make_unique<QSqlQuery>(db);
    if (!m_insertReading->prepare(
            u"INSERT INTO reading (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s.arg(
                QStringView(kReadingColumns))))
        return fail(u"prepare"_s, m_insertReading->lastError());
    m_nextManualSeq = std::make_unique<QSqlQuery>(db);
    if (!m_nextManualSeq->prepare(u"SELECT ifnull(max(seq), 0) + 1 FROM reading WHERE scan = 0"_s))
        return fail(u"prepare"_s, m_nextManualSeq->lastError());
    return true;
}

QString SqliteScanRecord::rigIdOf(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(u"SELECT substr(id, 1, 64) FROM rig LIMIT 1"_s) || !query.next())
        return {};
    return query.value(0).toString();
}

QString SqliteScanRecord::scanLockPath(qint64 id) const
{
    return m_path + u".scan-%1.lock"_s.arg(id);
}

bool SqliteScanRecord::takenElsewhere(qint64 id) const
{
    if (id == m_scan || !QFile::exists(scanLockPath(id)))
        return false;
    // A lock left by a program that ended is stale and taken over here.
    QLockFile probe(scanLockPath(id));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

bool SqliteScanRecord::fail(const QString &doing, const QSqlError &error)
{
    if (!m_working)
        return false;
    m_working = false;
    m_error = u"cannot %1 %2: %3"_s.arg(doing, m_path, error.text());
    Q_EMIT stoppedWorking(m_error);
    return false;
}

void SqliteScanRecord::readFailed(const QString &doing, const QSqlError &error)
{
    m_error = u"cannot %1 %2: %3"_s.arg(doing, m_path, error.text());
}

qint64 SqliteScanRecord::beginScan(const ScanInfo &info)
{
    if (!m_working)
        return -1;
    if (m_scan >= 0 && !endScan(ScanState::Stopped))
        return -1;
    const QDateTime start = info.start.isValid() ? info.start : QDateTime::currentDateTimeUtc();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"INSERT INTO scan (start_ms, port, device, first_channel, last_channel, "
                  "term_ms, state, host, channel_names) "
                  "VALUES (?, ?, ?, ?, ?, ?, 'running', ?, ?)"_s);
    query.addBindValue(start.toMSecsSinceEpoch());
    // A null QString binds as NULL; a scan without a port name still has one.
    query.addBindValue(info.portName.isNull() ? u""_s : info.portName);
    query.addBindValue(info.device.isNull() ? u""_s : info.device);
    query.addBindValue(info.startChannel);
    query.addBindValue(info.endChannel);
    query.addBindValue(qint64(info.term.count()));
    query.addBindValue(info.host.isEmpty() ? QSysInfo::machineHostName() : info.host);
    query.addBindValue(channelNamesValue(info.names));
    if (!query.exec()) {
        fail(u"write"_s, query.lastError());
        return -1;
    }
    m_scan = query.lastInsertId().toLongLong();
    // Held while the scan is taken, so that another program on the same file
    // neither offers it for recovery nor marks it.
    m_scanLock = std::make_unique<QLockFile>(scanLockPath(m_scan));
    m_scanLock->setStaleLockTime(0);
    m_scanLock->tryLock(0);
    m_scanStartMs = start.toMSecsSinceEpoch();
    m_nextSeq = 1;
    m_passes = 0;
    m_lastPass = 0;
    m_taken = 0;
    m_failed = 0;
    m_lastTimeMs = m_scanStartMs;
    return m_scan;
}

int SqliteScanRecord::unitId(const QString &unit, QSqlError *error)
{
    if (unit.isEmpty())
        return 0;
    const auto found = m_units.constFind(unit);
    if (found != m_units.constEnd())
        return found.value();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"INSERT OR IGNORE INTO unit (text) VALUES (?)"_s);
    query.addBindValue(unit);
    if (!query.exec()) {
        *error = query.lastError();
        return 0;
    }
    query.prepare(u"SELECT id FROM unit WHERE text = ?"_s);
    query.addBindValue(unit);
    if (!query.exec() || !query.next()) {
        *error = query.lastError();
        return 0;
    }
    const int id = query.value(0).toInt();
    m_units.insert(unit, id);
    return id;
}

bool SqliteScanRecord::addReading(const Reading &reading)
{
    if (!m_working)
        return false;
    const qint64 scan = std::max<qint64>(m_scan, 0);
    m_pending.append({ scan, scan == 0 ? 0 : m_scanStartMs, reading });
    return writePending();
}

bool SqliteScanRecord::addReadings(const QList<Reading> &readings)
{
    if (!m_working)
        return false;
    // What the group changes in memory goes back if it does not commit.
    const auto saved = std::make_tuple(m_nextSeq, m_passes, m_lastPass, m_taken, m_failed,
                                       m_lastTimeMs, m_units);
    QSqlQuery control(QSqlDatabase::database(m_connection, false));
    const auto undo = [&](const QSqlError &error) {
        control.exec(u"ROLLBACK"_s);
        std::tie(m_nextSeq, m_passes, m_lastPass, m_taken, m_failed, m_lastTimeMs, m_units) = saved;
        return fail(u"write"_s, error);
    };
    if (!control.exec(u"BEGIN IMMEDIATE"_s))
        return fail(u"write"_s, control.lastError());
    const qint64 scan = std::max<qint64>(m_scan, 0);
    for (const Reading &reading : readings) {
        const QSqlError error = writeReading({ scan, scan == 0 ? 0 : m_scanStartMs, reading });
        if (error.isValid())
            return undo(error);
    }
    if (!control.exec(u"COMMIT"_s))
        return undo(control.lastError());
    return true;
}

bool SqliteScanRecord::retry()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (m_working || !db.isOpen() || !m_insertReading)
        return m_working;
    // A failed commit can leave its transaction open.
    QSqlQuery(db).exec(u"ROLLBACK"_s);
    m_working = true;
    return true;
}

bool SqliteScanRecord::writePending()
{
    while (!m_pending.isEmpty()) {
        const QSqlError error = writeReading(m_pending.first());
        if (!error.isValid()) {
            m_pending.removeFirst();
            continue;
        }
        // Another program writing to the same file holds its lock for a
        // moment: the readings wait here, in order, for the next call.
        if (isBusy(error) && m_pending.size() <= kMaxPending) {
            m_error
                = u"%1 is busy; %2 readings wait to be written"_s.arg(m_path).arg(m_pending.size());
            return false;
        }
        return fail(u"write"_s, error);
    }
    return true;
}

QSqlError SqliteScanRecord::writeReading(const PendingReading &pending)
{
    const Reading &reading = pending.reading;
    QSqlError error;
    const int unit = unitId(reading.unit, &error);
    if (error.isValid())
        return error;
    qint64 seq = m_nextSeq;
    if (pending.scan == 0) {
        // Another program may add manual readings to the same file.
        if (!m_nextManualSeq->exec() || !m_nextManualSeq->next())
            return m_nextManualSeq->lastError();
        seq = m_nextManualSeq->value(0).toLongLong();
        m_nextManualSeq->finish();
    }
    const qint64 timeMs = reading.time.isValid() ? reading.time.toMSecsSinceEpoch()
                                                 : QDateTime::currentMSecsSinceEpoch();

    QSqlQuery &insert = *m_insertReading;
    bindReadingRow(insert, 0, pending.scan, seq, pending.startMs, reading, reading.value, unit);
    if (!insert.exec())
        return insert.lastError();
    insert.finish();

    if (pending.scan != 0 && pending.scan == m_scan) {
        ++m_nextSeq;
        if (reading.pass > 0 && reading.pass != m_lastPass) {
            ++m_passes;
            m_lastPass = reading.pass;
        }
        ++(reading.taken() ? m_taken : m_failed);
        m_lastTimeMs = std::max(m_lastTimeMs, timeMs);
    }
    return {};
}

bool SqliteScanRecord::endScan(ScanState state, const QDateTime &end)
{
    if (!m_working || m_scan < 0)
        return false;
    writePending();
    if (state == ScanState::Running)
        state = ScanState::Stopped;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"UPDATE scan SET end_ms = ?, state = ?, passes = ?, readings = ?, failed = ? "
                  "WHERE id = ?"_s);
    query.addBindValue(end.isValid() ? end.toMSecsSinceEpoch()
                                     : std::max(m_lastTimeMs, QDateTime::currentMSecsSinceEpoch()));
    query.addBindValue(scanStateName(state));
    query.addBindValue(m_passes);
    query.addBindValue(m_taken);
    query.addBindValue(m_failed);
    query.addBindValue(m_scan);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    m_scan = -1;
    m_scanLock.reset();
    return true;
}

bool SqliteScanRecord::setState(qint64 id, ScanState state, const QString &file)
{
    if (!m_working)
        return false;
    if (id == m_scan)
        return endScan(state) && (file.isEmpty() || setState(id, state, file));
    if (takenElsewhere(id)) {
        m_error = u"scan %1 in %2 is being taken by another program"_s.arg(id).arg(m_path);
        return false;
    }
    // A scan left running by a program that ended: its figures come from its
    // readings, once.
    const std::optional<ScanSummary> summary = scan(id);
    if (!summary) {
        m_error = u"there is no scan %1 in %2"_s.arg(id).arg(m_path);
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"UPDATE scan SET state = ?, saved_file = ifnull(?, saved_file), "
                  "end_ms = ?, passes = ?, readings = ?, failed = ? WHERE id = ?"_s);
    query.addBindValue(scanStateName(state));
    query.addBindValue(file.isEmpty() ? QVariant() : QVariant(file));
    query.addBindValue(summary->end.toMSecsSinceEpoch());
    query.addBindValue(summary->passes);
    query.addBindValue(summary->readings);
    query.addBindValue(summary->failedReadings);
    query.addBindValue(id);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    return true;
}

bool SqliteScanRecord::markSaved(qint64 id, const QString &file)
{
    return setState(id, ScanState::Saved, file);
}

bool SqliteScanRecord::markDiscarded(qint64 id)
{
    return setState(id, ScanState::Discarded, {});
}

QList<ScanSummary> SqliteScanRecord::summaries(const QString &where, qint64 id)
{
    QList<ScanSummary> list;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen())
        return list;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT id, start_ms, end_ms, substr(port, 1, %1), substr(device, 1, %1), "
                  "first_channel, last_channel, term_ms, state, substr(saved_file, 1, %1), "
                  "substr(host, 1, %1), passes, readings, failed, "
                  "CASE WHEN length(channel_names) <= %2 THEN channel_names END FROM scan "_s
                      .arg(kMaxStoredName)
                      .arg(kMaxChannelNamesText)
                  + where + u" ORDER BY start_ms DESC, id DESC"_s);
    if (id >= 0)
        query.addBindValue(id);
    if (!query.exec()) {
        readFailed(u"read"_s, query.lastError());
        return list;
    }
    while (query.next()) {
        ScanSummary scan = summaryFromRow(query);
        if (scan.id == m_scan) {
            scan.passes = m_passes;
            scan.readings = m_taken;
            scan.failedReadings = m_failed;
            scan.end = utc(m_lastTimeMs);
        } else if (query.value(11).isNull()) {
            QSqlQuery counts(db);
            counts.prepare(u"SELECT count(DISTINCT CASE WHEN pass > 0 THEN pass END), "
                           "ifnull(sum(status = 0), 0), ifnull(sum(status <> 0), 0), "
                           "ifnull(max(t_ms), 0) FROM reading WHERE scan = ?"_s);
            counts.addBindValue(scan.id);
            if (counts.exec() && counts.next()) {
                scan.passes = counts.value(0).toInt();
                scan.readings = counts.value(1).toLongLong();
                scan.failedReadings = counts.value(2).toLongLong();
                if (!scan.end.isValid())
                    scan.end = scan.info.start.addMSecs(counts.value(3).toLongLong());
            }
        }
        list.append(scan);
    }
    return list;
}

QList<ScanSummary> SqliteScanRecord::listScans()
{
    return summaries({}, -1);
}

QList<ScanSummary> SqliteScanRecord::unfinishedScans()
{
    QList<ScanSummary> list = summaries(u"WHERE state = 'running'"_s, -1);
    list.removeIf(
        [this](const ScanSummary &scan) { return scan.id == m_scan || takenElsewhere(scan.id); });
    return list;
}

std::optional<ScanSummary> SqliteScanRecord::scan(qint64 id)
{
    const QList<ScanSummary> list = summaries(u"WHERE id = ?"_s, id);
    if (list.isEmpty())
        return std::nullopt;
    return list.first();
}

bool SqliteScanRecord::readScan(qint64 id, const std::function<void(const Reading &)> &visit)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen())
        return false;
    qint64 startMs = 0;
    if (id != 0) {
        const std::optional<ScanSummary> summary = scan(id);
        if (!summary) {
            m_error = u"there is no scan %1 in %2"_s.arg(id).arg(m_path);
            return false;
        }
        startMs = summary->info.start.toMSecsSinceEpoch();
    }
    QHash<int, QString> units;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT id, substr(text, 1, %1) FROM unit"_s.arg(kMaxStoredText))) {
        readFailed(u"read"_s, query.lastError());
        return false;
    }
    while (query.next())
        units.insert(query.value(0).toInt(), query.value(1).toString());

    query.finish();

    // A million readings pass through here when a long scan is opened: read
    // them through SQLite itself, without a QVariant per value.
    const QVariant handle = db.driver()->handle();
    sqlite3 *connection = qstrcmp(handle.typeName(), "sqlite3*") == 0
        ? *static_cast<sqlite3 *const *>(handle.constData())
        : nullptr;
    if (!connection) {
        m_error = u"cannot read %1: not an SQLite connection"_s.arg(m_path);
        return false;
    }
    sqlite3_stmt *statement = nullptr;
    const char *sql = "SELECT pass, channel, t_ms, value, unit, status, raw, given_up, "
                      "settle_queries, settle_ms, settle_spread, settled "
                      "FROM reading WHERE scan = ? ORDER BY seq";
    int result = sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr);
    if (result == SQLITE_OK)
        result = sqlite3_bind_int64(statement, 1, id);
    Reading reading;
    while (result == SQLITE_OK || result == SQLITE_ROW) {
        result = sqlite3_step(statement);
        if (result != SQLITE_ROW)
            break;
        reading.pass = sqlite3_column_int(statement, 0);
        reading.channel = sqlite3_column_int(statement, 1);
        reading.time = utc(startMs + sqlite3_column_int64(statement, 2));
        const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement, 3));
        reading.value = QString::fromUtf8(
            value, std::min(sqlite3_column_bytes(statement, 3), kMaxStoredText));
        reading.unit = units.value(sqlite3_column_int(statement, 4));
        reading.status = Reading::Status(std::clamp(sqlite3_column_int(statement, 5), 0, 3));
        const auto *raw = static_cast<const char *>(sqlite3_column_blob(statement, 6));
        reading.raw = QByteArray(raw, std::min(sqlite3_column_bytes(statement, 6), kMaxStoredRaw));
        reading.givenUp = sqlite3_column_int(statement, 7) != 0;
        reading.settleQueries = 0;
        reading.settleMs = 0;
        reading.settleSpread = 0;
        reading.settled = true;
        if (sqlite3_column_type(statement, 8) != SQLITE_NULL) {
            reading.settleQueries = std::max(0, sqlite3_column_int(statement, 8));
            reading.settleMs = sqlite3_column_int64(statement, 9);
            reading.settleSpread = sqlite3_column_type(statement, 10) == SQLITE_NULL
                ? qQNaN()
                : sqlite3_column_double(statement, 10);
            reading.settled = sqlite3_column_int(statement, 11) != 0;
        }
        visit(reading);
    }
    if (result != SQLITE_DONE)
        m_error
            = u"cannot read %1: %2"_s.arg(m_path, QString::fromUtf8(sqlite3_errmsg(connection)));
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

bool SqliteScanRecord::deleteScan(qint64 id)
{
    if (!m_working)
        return false;
    if (id == m_scan || takenElsewhere(id)) {
        m_error = u"the scan being taken cannot be deleted"_s;
        return false;
    }
    if (!exec(u"BEGIN IMMEDIATE"_s))
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    for (const QString &sql :
         { u"DELETE FROM reading WHERE scan = ?"_s, u"DELETE FROM zero_set WHERE scan = ?"_s,
           u"DELETE FROM scan WHERE id = ?"_s }) {
        query.prepare(sql);
        query.addBindValue(id);
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            exec(u"ROLLBACK"_s);
            return fail(u"write"_s, error);
        }
    }
    return exec(u"COMMIT"_s);
}

bool SqliteScanRecord::addZeroSet(const ZeroSet &set)
{
    if (!m_working || m_scan < 0)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"INSERT INTO zero_set (scan, taken_ms, passes, first_pass, offsets, unit) "
                  "VALUES (?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(m_scan);
    query.addBindValue(set.takenAt.toMSecsSinceEpoch());
    query.addBindValue(set.passes);
    query.addBindValue(set.firstPass);
    query.addBindValue(set.offsetsText());
    query.addBindValue(set.unit);
    if (!query.exec())
        return fail(u"write"_s, query.lastError());
    return true;
}

QList<ZeroSet> SqliteScanRecord::zeroSets(qint64 id)
{
    QList<ZeroSet> sets;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(
        u"SELECT taken_ms, passes, first_pass, substr(offsets, 1, 100000), "
        "substr(unit, 1, %1) FROM zero_set WHERE scan = ? ORDER BY rowid"_s.arg(kMaxStoredName));
    query.addBindValue(id);
    if (!query.exec()) {
        readFailed(u"read"_s, query.lastError());
        return sets;
    }
    while (query.next()) {
        ZeroSet set;
        set.takenAt = utc(query.value(0).toLongLong());
        set.passes = query.value(1).toInt();
        set.firstPass = query.value(2).toInt();
        set.unit = query.value(4).toString();
        // Offsets that cannot be read are left out: the readings are shown as read.
        if (set.setOffsetsText(query.value(3).toString()))
            sets += set;
    }
    return sets;
}

int SqliteScanRecord::applyRetention(int days, const QDateTime &now)
{
    if (!m_working || days <= 0)
        return 0;
    const qint64 cutoff = now.toMSecsSinceEpoch() - qint64(days) * 24 * 3600 * 1000;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(u"SELECT id FROM scan WHERE state IN ('saved', 'discarded') "
                  "AND ifnull(end_ms, start_ms) < ?"_s);
    query.addBindValue(cutoff);
    if (!query.exec()) {
        readFailed(u"read"_s, query.lastError());
        return 0;
    }
    QList<qint64> old;
    while (query.next())
        old.append(query.value(0).toLongLong());
    query.finish();
    int removed = 0;
    for (const qint64 id : old) {
        if (!deleteScan(id))
            return removed;
        ++removed;
    }
    query.prepare(u"DELETE FROM reading WHERE scan = 0 AND t_ms < ?"_s);
    query.addBindValue(cutoff);
    if (!query.exec()) {
        fail(u"write"_s, query.lastError());
        return removed;
    }
    exec(u"PRAGMA incremental_vacuum"_s);
    return removed;
}
