#pragma once

#include "ScanRecord.h"

#include <QHash>
#include <QList>
#include <QSqlError>

#include <memory>

class QLockFile;
class QSqlDatabase;
class QSqlQuery;

// The scan record in one SQLite file (WAL mode), schema versioned by
// PRAGMA user_version. A file that is not a database, or whose schema cannot
// be read, is renamed aside with the date in its name and a fresh one begun.
class SqliteScanRecord : public ScanRecord
{
    Q_OBJECT
public:
    // How far a committed reading survives: Process survives the program being
    // killed (synchronous=NORMAL); PowerLoss also survives the machine losing
    // power (synchronous=FULL, a flush to disk on every commit). A flush takes
    // milliseconds (bench_store), so the scan's record, ThreadedScanRecord,
    // commits with PowerLoss on a thread of its own. With Process, the log is
    // flushed at each checkpoint (every 1000 commits or so), so a power loss
    // costs at most the readings since then.
    enum class Durability { Process, PowerLoss };

    static constexpr int kSchemaVersion = 6;

    // $XDG_STATE_HOME/ROZIVODA/scans.sqlite, by default
    // ~/.local/state/ROZIVODA/scans.sqlite.
    static QString defaultPath();

    explicit SqliteScanRecord(const QString &path, QObject *parent = nullptr);
    ~SqliteScanRecord() override;

    bool open(Durability durability = Durability::Process);
    QString path() const { return m_path; }
    // Where a damaged file was moved by open(); empty if none was.
    QString movedAsidePath() const { return m_movedAside; }
    // The random id the file was made with; it tells this rig apart on a
    // shared server. Empty until open.
    QString rigId() const { return m_rigId; }
    static QString rigIdOf(const QSqlDatabase &db);

    bool isWorking() const override { return m_working; }
    QString errorString() const override { return m_error; }

    qint64 beginScan(const ScanInfo &info) override;
    qint64 currentScan() const override { return m_scan; }
    bool addReading(const Reading &reading) override;
    // Adds readings as addReading() does, in one transaction: all or none.
    bool addReadings(const QList<Reading> &readings);
    // After a failed write (a full disk, another program's lock): works again,
    // from where it was, if its file is still open. Nothing is written here.
    bool retry();
    bool endScan(ScanState state = ScanState::Stopped, const QDateTime &end = {}) override;
    bool markSaved(qint64 id, const QString &file) override;
    bool markDiscarded(qint64 id) override;

    QList<ScanSummary> listScans() override;
    QList<ScanSummary> unfinishedScans() override;
    std::optional<ScanSummary> scan(qint64 id) override;
    bool readScan(qint64 id, const std::function<void(const Reading &)> &visit) override;
    bool deleteScan(qint64 id) override;
    bool addZeroSet(const ZeroSet &set) override;
    QList<ZeroSet> zeroSets(qint64 id) override;
    int applyRetention(int days, const QDateTime &now = QDateTime::currentDateTimeUtc()) override;

private:
    QString scanLockPath(qint64 id) const;
    // True while another program (or record) takes scan id.
    bool takenElsewhere(qint64 id) const;
    bool openConnection();
    void closeConnection();
    bool moveAside();
    bool migrate();
    bool prepare();
    bool exec(const QString &sql);
    bool fail(const QString &doing, const QSqlError &error);
    void readFailed(const QString &doing, const QSqlError &error);
    struct PendingReading
    {
        qint64 scan;
        qint64 startMs;
        Reading reading;
    };
    bool writePending();
    QSqlError writeReading(const PendingReading &pending);
    int unitId(const QString &unit, QSqlError *error);
    bool setState(qint64 id, ScanState state, const QString &file);
    QList<ScanSummary> summaries(const QString &where, qint64 id);

    QString m_path;
    QString m_connection;
    QString m_movedAside;
    QString m_rigId;
    std::unique_ptr<QLockFile> m_scanLock;
    Durability m_durability = Durability::Process;
    bool m_working = false;
    QString m_error;

    qint64 m_scan = -1;
    qint64 m_scanStartMs = 0;
    qint64 m_nextSeq = 1;
    int m_passes = 0;
    int m_lastPass = 0;
    qint64 m_taken = 0;
    qint64 m_failed = 0;
    qint64 m_lastTimeMs = 0;

    QHash<QString, int> m_units;
    QList<PendingReading> m_pending;
    std::unique_ptr<QSqlQuery> m_insertReading;
    std::unique_ptr<QSqlQuery> m_nextManualSeq;
};
