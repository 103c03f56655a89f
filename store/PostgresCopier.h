#pragma once

#include "ScanRecord.h"

#include <QHash>
#include <QList>
#include <QSqlError>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>

class QSqlDatabase;
class QSqlQuery;

// The copy of the rigs' records on a PostgreSQL server that the rigs of a
// lab share: the embedded file's scans and readings, each scan with the rig's
// host name, the file's rig id and the scan's id there. Host, rig, that id and
// a reading's sequence number identify a reading, so that one sent twice is
// stored once. A rig's forwarding record writes through it; the lab reads the
// server with its own tools. Calls block for the network: use it off the GUI
// thread, in the thread that created it.
class PostgresCopier
{
public:
    static constexpr int kSchemaVersion = 4;
    // How long a connection attempt may take before the server counts as
    // out of reach.
    static constexpr std::chrono::seconds kConnectTimeout { 2 };

    // A reading of a rig's file with its place there.
    struct NumberedReading
    {
        qint64 seq = 0;
        Reading reading;
    };
    // What the server holds of one of a rig's scans.
    struct Copy
    {
        qint64 id = -1;
        qint64 lastSeq = 0;
    };

    explicit PostgresCopier(const QUrl &server);
    ~PostgresCopier();
    PostgresCopier(const PostgresCopier &) = delete;
    PostgresCopier &operator=(const PostgresCopier &) = delete;

    // Connects (waiting at most kConnectTimeout) and brings the schema up to
    // date; false with errorString() saying why.
    bool open();
    void close();

    bool isWorking() const { return m_working; }
    QString errorString() const { return m_error; }

    // What the server holds of host's scans, by their id in the rig's file
    // (0: its manual readings) and start time in milliseconds (a file may
    // give a deleted scan's id to a new one).
    using CopyKey = std::pair<qint64, qint64>;
    // A rig is its host and the random id of its file (empty: none).
    std::optional<QHash<CopyKey, Copy>> copiesOf(const QString &host, const QString &rig);
    // Creates or updates the copy of the rig's scan localId (0 for its manual
    // readings, with summary ignored); returns its id here, or -1.
    qint64 putScan(const QString &host, const QString &rig, qint64 localId,
                   const ScanSummary &summary);
    // Adds readings of the copy id in one transaction; ones it holds already
    // are skipped. startMs is the scan's start (0 for manual readings).
    // False with refused() when the server turned the readings down for what
    // they hold; the copier then goes on working.
    bool putReadings(qint64 id, qint64 startMs, const QList<NumberedReading> &readings);
    bool refused() const { return m_refused; }

    // Every rig's copied scans, newest first, and a copy's readings in the
    // order taken: what the lab's tools see.
    QList<ScanSummary> listScans();
    QList<Reading> loadScan(qint64 id);

private:
    QSqlDatabase database() const;
    bool migrate();
    bool fail(const QString &doing, const QSqlError &error);
    int unitId(const QString &unit, QSqlError *error);
    // Invalid when bound; else why the reading's unit could not be stored.
    QSqlError bindReading(QSqlQuery &insert, int first, qint64 scan, qint64 seq, qint64 startMs,
                          const Reading &reading);

    QUrl m_server;
    QString m_connection;
    bool m_working = false;
    bool m_refused = false;
    QString m_error;
    QHash<QString, int> m_units;
};
