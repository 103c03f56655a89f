#pragma once

#include "ScanRecord.h"

#include <chrono>
#include <memory>

class QThread;
class SqliteScanRecord;

// The scan record in one SQLite file, written by a thread of its own so that
// the scan never waits for the disk. Each write is handed over in order and
// the call returns; the thread commits readings in small groups, each flushed
// to disk before the next begins (synchronous=FULL), so that a reading
// survives a power loss some 10 to 20 milliseconds after it was handed over. The
// file's checkpoints run on that thread too. Reads use a connection of the
// caller's thread after waiting (briefly) for what was handed over.
//
// A write that fails (a full disk, another program's lock, a read-only
// disk) is tried again, sooner and then every second; meanwhile readings wait
// in memory, isWorking() is false, errorString() says why and how many wait,
// and workingAgain() follows once a write succeeds. Past kMaxWaiting waiting
// readings, new ones are given up and counted by lostReadings().
class ThreadedScanRecord : public ScanRecord
{
    Q_OBJECT
public:
    // About a quarter of an hour of a 100-channel scan at its fastest, in some
    // 30 MB.
    static constexpr qint64 kMaxWaiting = 100'000;
    // Readings committed together at most.
    static constexpr int kGroup = 1000;
    // How long a reading waits for others to be committed with it: with a
    // flush taking a few milliseconds, a reading is on disk well within 50 ms.
    static constexpr std::chrono::milliseconds kGather { 10 };
    static constexpr std::chrono::milliseconds kFirstRetry { 100 };
    static constexpr std::chrono::milliseconds kLongestRetry { 1000 };
    // How long a call that needs the writer's answer (a scan's id, a deletion)
    // or a read waits for what was handed over before it.
    static constexpr std::chrono::milliseconds kAnswerWait { 3000 };
    // At the end, how long what is still waiting may keep the program.
    static constexpr std::chrono::milliseconds kCloseWait { 3000 };

    explicit ThreadedScanRecord(const QString &path, QObject *parent = nullptr);
    // Writes what waits, at most kCloseWait; a write that fails then is not
    // tried again.
    ~ThreadedScanRecord() override;

    // Opens the file on the writer thread (moving a damaged one aside) and
    // the reading connection here.
    bool open();
    QString path() const { return m_path; }
    QString movedAsidePath() const;
    // The rig's id, as the file holds it.
    QString rigId() const;

    bool isWorking() const override;
    QString errorString() const override;

    qint64 beginScan(const ScanInfo &info) override;
    qint64 currentScan() const override { return m_scan; }
    bool addReading(const Reading &reading) override;
    bool waitForWritten(std::chrono::milliseconds timeout) override;
    qint64 waitingReadings() const override;
    qint64 lostReadings() const override;
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
    struct Shared;
    using Call = std::function<void(SqliteScanRecord &)>;
    static void run(const std::shared_ptr<Shared> &shared);
    bool isOpen() const;
    // Hands a call over; the number to wait for.
    quint64 hand(Call call);
    bool waitFor(quint64 ticket, std::chrono::milliseconds timeout);
    void prepareRead();
    void patchCurrent(ScanSummary &summary) const;

    QString m_path;
    std::shared_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
    std::unique_ptr<SqliteScanRecord> m_reader;
    QString m_error;
    // The scan being taken and its figures, as handed over.
    qint64 m_scan = -1;
    int m_passes = 0;
    int m_lastPass = 0;
    qint64 m_taken = 0;
    qint64 m_failed = 0;
    QDateTime m_lastTime;
};
