#pragma once

#include "ScanRecord.h"

#include <QUrl>

#include <chrono>
#include <memory>

class QThread;
class SqliteScanRecord;

// The record of a rig that reports to a shared server: every call is served
// by the rig's embedded file at once, and a thread of its own copies what the
// file holds to the server, scan by scan in the order taken, in batches. The
// scan never waits for the network. While the server is out of reach the
// readings wait in the file and warningString() says why; the thread tries
// again after 1, 2, 4 and then every 8 seconds. The server stores a reading
// sent twice once; one it refuses for what it holds is kept on this machine
// only, and the readings behind it go on.
class ForwardingScanRecord : public ScanRecord
{
    Q_OBJECT
public:
    // How soon new readings go out while the server is reachable.
    static constexpr std::chrono::milliseconds kPollInterval { 500 };
    static constexpr std::chrono::milliseconds kFirstRetry { 1000 };
    static constexpr std::chrono::milliseconds kLongestRetry { 8000 };
    // Readings sent in one transaction.
    static constexpr int kBatch = 1000;
    // How long destroying the record waits for a round under way: past the
    // server's statement and lock time-outs.
    static constexpr std::chrono::milliseconds kStopWait { 12000 };

    // local must be open; forwarding starts at once.
    ForwardingScanRecord(std::unique_ptr<SqliteScanRecord> local, const QUrl &server,
                         QObject *parent = nullptr);
    // local is the record that writes the embedded file at localPath.
    ForwardingScanRecord(std::unique_ptr<ScanRecord> local, const QString &localPath,
                         const QUrl &server, QObject *parent = nullptr);
    // Waits for a round under way to end (at most a few seconds).
    ~ForwardingScanRecord() override;

    ScanRecord &local() { return *m_local; }
    const ScanRecord &local() const { return *m_local; }
    QUrl server() const { return m_server; }
    // Readings this record has sent so far.
    qint64 sentReadings() const { return m_sent; }
    // Starts a round now; roundAskedForEnded() follows when it has ended.
    void forwardNow();

    bool isWorking() const override;
    QString errorString() const override;
    QString warningString() const override { return m_warning; }

    qint64 beginScan(const ScanInfo &info) override;
    qint64 currentScan() const override;
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

Q_SIGNALS:
    // After each round; caughtUp when the server held everything the file
    // held when the round began.
    void forwarded(qint64 sentReadings, bool caughtUp);
    // The round forwardNow() asked for has ended: with everything the file
    // held by then on the server, or not (warningString() says why).
    void roundAskedForEnded(bool caughtUp);

private:
    class Forwarder;
    void startForwarding(const QString &localPath);
    void roundEnded(const QString &warning, qint64 sent, bool caughtUpNow, quint64 round);

    std::unique_ptr<ScanRecord> m_local;
    QUrl m_server;
    QThread *m_thread = nullptr;
    Forwarder *m_forwarder = nullptr;
    QString m_warning;
    qint64 m_sent = 0;
    quint64 m_rounds = 0;
    quint64 m_requestedRound = 0;
};
