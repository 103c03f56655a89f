#pragma once

#include "ChannelNames.h"
#include "Reading.h"
#include "ZeroHistory.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

enum class ScanState { Running, Stopped, Saved, Discarded };

// The state as both databases store it: "running", "stopped", "saved",
// "discarded"; an unknown name reads as running, so the scan is offered back.
QString scanStateName(ScanState state);
ScanState scanStateFromName(const QString &name);

// The scanner's channels: what a stored scan may name.
inline constexpr int kLastStoredChannel = 99;
// Longest port or device name a stored scan may hold.
inline constexpr int kMaxPortNameLength = 256;

// What a scan was started with.
struct ScanInfo
{
    QDateTime start; // UTC, millisecond precision
    QString portName; // "com1"
    QString device; // "/dev/ttyUSB0"
    int startChannel = 0;
    int endChannel = -1;
    std::chrono::milliseconds term { 0 };
    // The machine the scan ran on; empty means this one.
    QString host;
    // What the channels measured, as named when the scan started.
    ChannelNames names;
};

// A stored scan as the history lists it.
struct ScanSummary
{
    qint64 id = 0;
    ScanInfo info;
    // When it stopped; for a scan still marked running, its last reading.
    QDateTime end;
    int passes = 0;
    qint64 readings = 0; // taken
    qint64 failedReadings = 0;
    ScanState state = ScanState::Running;
    QString savedFile;
};

// Why a stored scan cannot be what this program took (a damaged or foreign
// record: channels beyond the scanner's, negative figures, a port name of
// megabytes); empty for a sound one. Checked before a scan is used.
QString scanFault(const ScanSummary &scan);

// The durable record of every reading, behind what the scan session needs.
// Every write is committed when the call returns, or, for a record written by
// a thread of its own, handed over to be committed in the order of the calls
// (waitForWritten() waits for that). A record that cannot be opened or
// written stops working: isWorking() turns false, errorString() says why and
// stoppedWorking() is emitted; a record that recovers from a passing trouble
// (a full disk, another program's lock) emits workingAgain(). Nothing throws.
// The scan goes on without it.
class ScanRecord : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isWorking() const = 0;
    virtual QString errorString() const = 0;
    // A trouble that loses nothing while the record goes on working (a shared
    // server out of reach while readings wait on local disk); empty when none.
    virtual QString warningString() const { return {}; }

    // Starts a scan (ending one still open as stopped); returns its id, or -1.
    virtual qint64 beginScan(const ScanInfo &info) = 0;
    virtual qint64 currentScan() const = 0;
    // Adds a reading to the current scan, or, with no scan begun, to the
    // manual readings (pass 0). True once it is committed or handed over to be.
    // False while the record still works means another program holds the file
    // for a moment: the reading is kept and written, in order, by the next call.
    virtual bool addReading(const Reading &reading) = 0;
    // Waits until everything handed over so far is committed, at most timeout.
    // False when it is not (errorString() says why); what waits is still
    // written when the disk takes it.
    virtual bool waitForWritten(std::chrono::milliseconds timeout)
    {
        Q_UNUSED(timeout);
        return isWorking();
    }
    // Readings handed over and not committed yet, and readings the record had
    // to give up (more waited than memory allows while it could not write).
    virtual qint64 waitingReadings() const { return 0; }
    virtual qint64 lostReadings() const { return 0; }
    // Ends the current scan: Stopped, or Saved / Discarded straight away.
    virtual bool endScan(ScanState state = ScanState::Stopped, const QDateTime &end = {}) = 0;
    // Marks any stored scan (ending it if it is the current one).
    virtual bool markSaved(qint64 id, const QString &file) = 0;
    virtual bool markDiscarded(qint64 id) = 0;

    // Newest first.
    virtual QList<ScanSummary> listScans() = 0;
    // Scans still marked running, other than the current one: left by a
    // program that ended without Stop or Exit.
    virtual QList<ScanSummary> unfinishedScans() = 0;
    virtual std::optional<ScanSummary> scan(qint64 id) = 0;
    // Hands the scan's readings to visit in the order they were taken.
    virtual bool readScan(qint64 id, const std::function<void(const Reading &)> &visit) = 0;
    QList<Reading> loadScan(qint64 id)
    {
        QList<Reading> readings;
        readScan(id, [&readings](const Reading &reading) { readings.append(reading); });
        return readings;
    }
    virtual bool deleteScan(qint64 id) = 0;
    // Keeps a zero (or its clear) of the current scan beside the readings,
    // which stay as read; false where the record keeps none.
    virtual bool addZeroSet(const ZeroSet &set)
    {
        Q_UNUSED(set);
        return false;
    }
    // The scan's zeros in the order they were set.
    virtual QList<ZeroSet> zeroSets(qint64 id)
    {
        Q_UNUSED(id);
        return {};
    }
    // Removes saved and discarded scans, and manual readings, older than days;
    // 0 keeps everything. Returns the number of scans removed.
    virtual int applyRetention(int days, const QDateTime &now = QDateTime::currentDateTimeUtc())
        = 0;

Q_SIGNALS:
    void stoppedWorking(const QString &why);
    // Writes again after stoppedWorking(); what waited is being written.
    void workingAgain();
    // warningString() changed; empty once the trouble is over.
    void warningChanged(const QString &warning);
};
