#include "ForwardingScanRecord.h"

#include "OpenScanRecord.h"
#include "PostgresCopier.h"
#include "ScanRows.h"
#include "SqliteScanRecord.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace Qt::StringLiterals;

// Lives in the record's thread: reads the embedded file through a connection
// of its own (the write-ahead log lets it read while the scan writes) and
// sends what the server lacks.
class ForwardingScanRecord::Forwarder : public QObject
{
public:
    Forwarder(const QString &localPath, const QUrl &server, ForwardingScanRecord *record)
        : m_localPath(localPath), m_server(server), m_record(record)
    {
        static QAtomicInteger<quint64> instances;
        m_connection = u"rozivoda-forward-%1"_s.arg(instances.fetchAndAddRelaxed(1));
    }

    void start()
    {
        m_remote = std::make_unique<PostgresCopier>(m_server);
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, [this] { round(); });
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
        db.setDatabaseName(m_localPath);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=1000"_s);
        db.open();
        round();
    }

    void stop()
    {
        delete m_timer;
        m_timer = nullptr;
        m_remote.reset();
        if (QSqlDatabase::contains(m_connection)) {
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
        }
    }

    void forget() { m_record = nullptr; }

    void request(quint64 round)
    {
        m_wanted = std::max(m_wanted, round);
        if (m_timer)
            m_timer->start(0);
    }

private:
    struct Sent
    {
        qint64 copy = -1;
        qint64 lastSeq = 0;
        QString stateKey;
    };
    struct LocalScan
    {
        qint64 id = 0;
        QString host;
        QString rig;
        ScanSummary summary;
        qint64 lastSeq = 0;
    };

    void round()
    {
        const quint64 serving = m_wanted;
        QString warning;
        bool done = false;
        if (!m_remote->isWorking() && !m_remote->open()) {
            warning = m_remote->errorString();
        } else if (forwardAll(&warning)) {
            done = true;
        } else {
            m_remote->close();
            m_sent.clear();
        }
        if (done) {
            m_delay = kFirstRetry;
            if (m_refused > 0)
                warning = u"%1 readings were refused (the last: %2); they are kept on this "
                          "machine only"_s.arg(m_refused)
                              .arg(m_refusedWhy);
        } else {
            warning += QCoreApplication::translate(
                "ForwardingScanRecord",
                "; readings are kept on this machine and sent when it can be reached");
        }
        const qint64 total = m_total;
        // Null once the record has gone without waiting for this round.
        if (ForwardingScanRecord *record = m_record.load())
            QMetaObject::invokeMethod(
                record, [=] { record->roundEnded(warning, total, done, serving); },
                Qt::QueuedConnection);
        if (QThread::currentThread()->isInterruptionRequested() || !m_timer)
            return;
        m_timer->start(done ? kPollInterval : m_delay);
        if (!done)
            m_delay = std::min(m_delay * 2, kLongestRetry);
    }

    bool readLocalScans(QList<LocalScan> *scans, QString *warning)
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (!query.exec(u"SELECT id, start_ms, end_ms, port, device, first_channel, last_channel, "
                        "term_ms, state, saved_file, host, passes, readings, failed, "
                        "CASE WHEN length(channel_names) <= %1 THEN channel_names END, "
                        "(SELECT ifnull(max(seq), 0) FROM reading r WHERE r.scan = s.id) "
                        "FROM scan s ORDER BY id"_s.arg(kMaxChannelNamesText))) {
            *warning = u"cannot read %1: %2"_s.arg(m_localPath, query.lastError().text());
            return false;
        }
        const QString machine = QSysInfo::machineHostName();
        const QString rig = SqliteScanRecord::rigIdOf(QSqlDatabase::database(m_connection, false));
        while (query.next()) {
            LocalScan scan;
            scan.summary = summaryFromRow(query);
            scan.id = scan.summary.id;
            scan.host = scan.summary.info.host.isEmpty() ? machine : scan.summary.info.host;
            scan.rig = rig;
            scan.lastSeq = query.value(15).toLongLong();
            scans->append(scan);
        }
        query.finish();
        if (!query.exec(u"SELECT ifnull(max(seq), 0) FROM reading WHERE scan = 0"_s)
            || !query.next()) {
            *warning = u"cannot read %1: %2"_s.arg(m_localPath, query.lastError().text());
            return false;
        }
        if (query.value(0).toLongLong() > 0) {
            LocalScan manual;
            manual.host = machine;
            manual.rig = rig;
            manual.lastSeq = query.value(0).toLongLong();
            scans->append(manual);
        }
        return true;
    }

    bool readLocalReadings(qint64 scan, qint64 afterSeq, qint64 startMs,
                           QList<PostgresCopier::NumberedReading> *readings, QString *warning)
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        query.prepare(u"SELECT r.seq, r.pass, r.channel, r.t_ms, r.value, u.text, r.status, "
                      "r.raw, r.given_up, %1 FROM reading r LEFT JOIN unit u ON u.id = r.unit "
                      "WHERE r.scan = ? AND r.seq > ? ORDER BY r.seq LIMIT ?"_s.arg(
                          QStringView(kSettleColumns)));
        query.addBindValue(scan);
        query.addBindValue(afterSeq);
        query.addBindValue(kBatch);
        if (!query.exec()) {
            *warning = u"cannot read %1: %2"_s.arg(m_localPath, query.lastError().text());
            return false;
        }
        while (query.next())
            readings->append({ query.value(0).toLongLong(), readingFromRow(query, 1, startMs) });
        return true;
    }

    static QString stateKey(const ScanSummary &s)
    {
        return u"%1|%2|%3|%4|%5|%6"_s.arg(int(s.state))
            .arg(s.end.isValid() ? s.end.toMSecsSinceEpoch() : -1)
            .arg(s.savedFile)
            .arg(s.passes)
            .arg(s.readings)
            .arg(s.failedReadings);
    }

    // The server refused a batch for what one of its readings holds: each is
    // sent alone, and one it refuses stays on this machine only, so that it
    // never holds up the readings behind it.
    bool putOneByOne(Sent &sent, qint64 startMs,
                     const QList<PostgresCopier::NumberedReading> &batch, QString *warning)
    {
        for (const PostgresCopier::NumberedReading &numbered : batch) {
            if (m_remote->putReadings(sent.copy, startMs, { numbered })) {
                ++m_total;
            } else if (m_remote->refused()) {
                ++m_refused;
                m_refusedWhy = m_remote->errorString();
                qWarning("%s",
                         qPrintable(u"%1; it is kept on this machine only"_s.arg(m_refusedWhy)));
            } else {
                *warning = m_remote->errorString();
                return false;
            }
            sent.lastSeq = numbered.seq;
        }
        return true;
    }

    bool forwardAll(QString *warning)
    {
        QList<LocalScan> scans;
        if (!readLocalScans(&scans, warning))
            return false;
        for (const LocalScan &scan : scans) {
            if (QThread::currentThread()->isInterruptionRequested())
                return false;
            const QString rigKey = scan.host + u'\n' + scan.rig;
            if (!m_sent.contains(rigKey)) {
                const auto copies = m_remote->copiesOf(scan.host, scan.rig);
                if (!copies) {
                    *warning = m_remote->errorString();
                    return false;
                }
                QHash<PostgresCopier::CopyKey, Sent> &sent = m_sent[rigKey];
                for (auto it = copies->cbegin(); it != copies->cend(); ++it)
                    sent.insert(it.key(), { it->id, it->lastSeq, {} });
            }
            const qint64 startMs = scan.id == 0 ? 0 : scan.summary.info.start.toMSecsSinceEpoch();
            Sent &sent = m_sent[rigKey][{ scan.id, startMs }];
            if (sent.copy >= 0 && sent.lastSeq >= scan.lastSeq && !sent.stateKey.isEmpty()
                && sent.stateKey == stateKey(scan.summary))
                continue;
            // Readings first, under a scan still shown running, so that a
            // finished scan on the server always holds all its readings.
            if (sent.copy < 0) {
                ScanSummary running = scan.summary;
                running.state = ScanState::Running;
                sent.copy = m_remote->putScan(scan.host, scan.rig, scan.id, running);
                if (sent.copy < 0) {
                    *warning = m_remote->errorString();
                    return false;
                }
            }
            while (sent.lastSeq < scan.lastSeq) {
                QList<PostgresCopier::NumberedReading> batch;
                if (!readLocalReadings(scan.id, sent.lastSeq, startMs, &batch, warning))
                    return false;
                if (batch.isEmpty())
                    break;
                if (!m_remote->putReadings(sent.copy, startMs, batch)) {
                    if (!m_remote->refused() || !putOneByOne(sent, startMs, batch, warning)) {
                        *warning = m_remote->errorString();
                        return false;
                    }
                    continue;
                }
                sent.lastSeq = batch.last().seq;
                m_total += batch.size();
                if (QThread::currentThread()->isInterruptionRequested())
                    return false;
            }
            const QString key = stateKey(scan.summary);
            if (key != sent.stateKey) {
                if (m_remote->putScan(scan.host, scan.rig, scan.id, scan.summary) < 0) {
                    *warning = m_remote->errorString();
                    return false;
                }
                sent.stateKey = key;
            }
        }
        return true;
    }

    QString m_localPath;
    QUrl m_server;
    std::atomic<ForwardingScanRecord *> m_record;
    QString m_connection;
    std::unique_ptr<PostgresCopier> m_remote;
    QTimer *m_timer = nullptr;
    std::chrono::milliseconds m_delay = kFirstRetry;
    // What the server holds, by host and the scan's id in the file; learnt
    // from the server at each connection.
    QHash<QString, QHash<PostgresCopier::CopyKey, Sent>> m_sent;
    qint64 m_total = 0;
    qint64 m_refused = 0;
    QString m_refusedWhy;
    quint64 m_wanted = 0;
};

ForwardingScanRecord::ForwardingScanRecord(std::unique_ptr<SqliteScanRecord> local,
                                           const QUrl &server, QObject *parent)
    : ScanRecord(parent), m_server(server)
{
    const QString path = local->path();
    m_local = std::move(local);
    startForwarding(path);
}

ForwardingScanRecord::ForwardingScanRecord(std::unique_ptr<ScanRecord> local,
                                           const QString &localPath, const QUrl &server,
                                           QObject *parent)
    : ScanRecord(parent), m_local(std::move(local)), m_server(server)
{
    startForwarding(localPath);
}

void ForwardingScanRecord::startForwarding(const QString &localPath)
{
    connect(m_local.get(), &ScanRecord::stoppedWorking, this, &ScanRecord::stoppedWorking);
    connect(m_local.get(), &ScanRecord::workingAgain, this, &ScanRecord::workingAgain);
    m_thread = new QThread(this);
    m_forwarder = new Forwarder(localPath, m_server, this);
    m_forwarder->moveToThread(m_thread);
    Forwarder *forwarder = m_forwarder;
    connect(m_thread, &QThread::started, m_forwarder, [forwarder] { forwarder->start(); });
    m_thread->start();
}

ForwardingScanRecord::~ForwardingScanRecord()
{
    m_thread->requestInterruption();
    Forwarder *forwarder = m_forwarder;
    QMetaObject::invokeMethod(
        m_forwarder,
        [forwarder] {
            forwarder->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (!m_thread->wait(QDeadlineTimer(kStopWait))) {
        // A statement the server holds past every time-out: the program
        // leaves it behind rather than wait; what it was sending goes at the
        // next run. Destroying a running thread would abort.
        qWarning(
            "%s",
            qPrintable(
                u"%1 did not answer within %2 s; what was not sent goes at the "
                "next run"_s.arg(displayStoreUrl(m_server))
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(kStopWait).count())));
        m_forwarder->forget();
        m_thread->setParent(nullptr);
        return;
    }
    delete m_forwarder;
}

void ForwardingScanRecord::forwardNow()
{
    const quint64 round = ++m_rounds;
    m_requestedRound = round;
    Forwarder *forwarder = m_forwarder;
    QMetaObject::invokeMethod(
        m_forwarder, [forwarder, round] { forwarder->request(round); }, Qt::QueuedConnection);
}

void ForwardingScanRecord::roundEnded(const QString &warning, qint64 sent, bool caughtUpNow,
                                      quint64 round)
{
    m_sent = sent;
    if (warning != m_warning) {
        m_warning = warning;
        Q_EMIT warningChanged(m_warning);
    }
    Q_EMIT forwarded(sent, caughtUpNow);
    if (m_requestedRound > 0 && round >= m_requestedRound) {
        m_requestedRound = 0;
        Q_EMIT roundAskedForEnded(caughtUpNow);
    }
}

bool ForwardingScanRecord::isWorking() const
{
    return m_local->isWorking();
}

QString ForwardingScanRecord::errorString() const
{
    return m_local->errorString();
}

qint64 ForwardingScanRecord::beginScan(const ScanInfo &info)
{
    return m_local->beginScan(info);
}

qint64 ForwardingScanRecord::currentScan() const
{
    return m_local->currentScan();
}

bool ForwardingScanRecord::addReading(const Reading &reading)
{
    return m_local->addReading(reading);
}

bool ForwardingScanRecord::waitForWritten(std::chrono::milliseconds timeout)
{
    return m_local->waitForWritten(timeout);
}

qint64 ForwardingScanRecord::waitingReadings() const
{
    return m_local->waitingReadings();
}

qint64 ForwardingScanRecord::lostReadings() const
{
    return m_local->lostReadings();
}

bool ForwardingScanRecord::endScan(ScanState state, const QDateTime &end)
{
    return m_local->endScan(state, end);
}

bool ForwardingScanRecord::markSaved(qint64 id, const QString &file)
{
    return m_local->markSaved(id, file);
}

bool ForwardingScanRecord::markDiscarded(qint64 id)
{
    return m_local->markDiscarded(id);
}

QList<ScanSummary> ForwardingScanRecord::listScans()
{
    return m_local->listScans();
}

QList<ScanSummary> ForwardingScanRecord::unfinishedScans()
{
    return m_local->unfinishedScans();
}

std::optional<ScanSummary> ForwardingScanRecord::scan(qint64 id)
{
    return m_local->scan(id);
}

bool ForwardingScanRecord::readScan(qint64 id, const std::function<void(const Reading &)> &visit)
{
    return m_local->readScan(id, visit);
}

// The zeros stay in the rig's own file; the server gets the readings as read.
bool ForwardingScanRecord::addZeroSet(const ZeroSet &set)
{
    return m_local->addZeroSet(set);
}

QList<ZeroSet> ForwardingScanRecord::zeroSets(qint64 id)
{
    return m_local->zeroSets(id);
}

bool ForwardingScanRecord::deleteScan(qint64 id)
{
    return m_local->deleteScan(id);
}

int ForwardingScanRecord::applyRetention(int days, const QDateTime &now)
{
    return m_local->applyRetention(days, now);
}
