#pragma once

#include "ChannelNames.h"
#include "LineKeeper.h"
#include "ManualReading.h"
#include "Reading.h"
#include "ScanCycle.h"
#include "ScannerLink.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class ResultTable;
class ScanRecord;
class SerialPort;
class SerialPortLister;
class TimerFactory;

// Everything a scan is, owned in one place: the scanner's port (opened and
// closed only here), the link over it, the automatic scan, the manual reading,
// the channel health and the result table they fill. It is the only place that
// changes the scan state; windows and the command line send it requests and
// follow its signals.
class ScanSession : public QObject
{
    Q_OBJECT
public:
    // Scanning covers a scan whose line is being reopened; Reconnecting says so.
    enum class State { Idle, Scanning, Reconnecting };

    struct Request
    {
        int startCh = 0;
        int endCh = 0;
        std::chrono::milliseconds period { 1000 };
        SettleCheck settle;
        // "com1", and the device behind it.
        QString portName;
        QString device;
        // What the channels measure; the table and the record keep them.
        ChannelNames names;
    };

    ScanSession(SerialPort &port, TimerFactory &timers, QObject *parent = nullptr);
    ~ScanSession() override;

    // What a line failure during a scan does: end the scan (true), or keep
    // scanning while the line is reopened, every tick without a line giving
    // its cell up (the default).
    void setStopOnLineLoss(bool stop);
    bool stopOnLineLoss() const { return m_stopOnLineLoss; }
    // Finds an adapter that came back under another device name; none by default.
    void setPortLister(SerialPortLister *lister) { m_keeper->setLister(lister); }
    // The line failed during the scan and is being reopened.
    bool isReconnecting() const { return m_state == State::Reconnecting; }
    LineKeeper &keeper() { return *m_keeper; }

    // How long Stop, Save, the end of the program and the like wait for the
    // record to have committed what it was handed; past that the window goes
    // on and the record says why (the disk hangs).
    static constexpr std::chrono::milliseconds kRecordWait { 3000 };

    // The durable record every reading goes to; none keeps the scan in memory
    // only. A record that stops working never stops the scan.
    void setRecord(ScanRecord *record);
    ScanRecord *record() const { return m_record; }
    // Why readings are not being kept on disk; empty while they are.
    QString recordProblem() const;
    // The stored scan the last start recorded into; -1 without a record.
    qint64 recordedScan() const { return m_recordedScan; }
    // What became of stored scan id's results, for the record.
    void markSaved(qint64 id, const QString &file);
    void markDiscarded(qint64 id);
    // When the scan now running started, and its passes so far.
    QDateTime startedAt() const { return m_startedAt; }
    int passes() const;

    ResultTable &table() { return *m_table; }
    const ResultTable &table() const { return *m_table; }
    State state() const { return m_state; }
    bool isScanning() const { return m_state != State::Idle; }
    ScanCycle &cycle() { return *m_cycle; }
    ManualReading &manual() { return *m_manual; }

    // Opens the port, lays the table out for the range and starts the scan.
    // False, with nothing changed, when the port cannot be opened.
    bool start(const Request &request);
    // Ends the scan and closes the port; the rows taken stay.
    void stop();
    // Ends everything at once as the program ends unasked (logout, a kill):
    // the port closes, and the record leaves the scan for recovery.
    void abandon();
    // Readies the cycle for a new, empty table.
    void makeReady();

    // The line for manual readings; closeLine() abandons a reading under way.
    bool openLine(const QString &portName, const QString &device);
    void closeLine();
    // A manual line that failed is opened again (lineBack() says so); true
    // when the line is open.
    bool reopenLostLine();

    // "com1 (/dev/ttyS0)": the port of the last scan or manual line.
    QString portDescription() const;
    QString errorString() const { return m_error; }

    // The last query of the scan or of a manual reading went unanswered.
    bool scannerSilent() const { return m_cycle->scannerSilent() || m_manual->scannerSilent(); }

Q_SIGNALS:
    void stateChanged(ScanSession::State state);
    // A scan began over the request's range.
    void scanStarted(const ScanSession::Request &request);
    void healthChanged();
    // The line failed and has closed; scanStopped when a scan was under way
    // and ended for it (a scan that reconnects reports reconnecting() instead).
    void lineLost(const QString &reason, bool scanStopped);
    // The scan's line is down and being reopened; status says since when and
    // how often it was tried.
    void reconnecting(const QString &status);
    // The scan's line is open again.
    void lineBack();
    // Every reading of the scan and every manual reading, with its time.
    void readingDone(const Reading &reading);
    // The record stopped keeping readings; recordProblem() says why.
    void recordFailed(const QString &why);
    // The record keeps readings again, after recordFailed().
    void recordResumed();

private:
    // The one place the state changes: it follows the cycle and the keeper.
    void updateState();
    bool openPort(const QString &portName, const QString &device);
    void keep(const Reading &reading);
    void endRecordedScan();
    void waitForRecord();
    void logCellsWithoutLine();

    SerialPort &m_port;
    ResultTable *m_table = nullptr;
    std::unique_ptr<ScannerLink> m_link;
    std::unique_ptr<ScanCycle> m_cycle;
    std::unique_ptr<ManualReading> m_manual;
    std::unique_ptr<LineKeeper> m_keeper;
    State m_state = State::Idle;
    bool m_stopOnLineLoss = false;
    int m_cellsWithoutLine = 0;
    Reading m_firstCellWithoutLine;
    Reading m_lastCellWithoutLine;
    QString m_portName;
    QString m_error;
    ScanRecord *m_record = nullptr;
    qint64 m_recordedScan = -1;
    QDateTime m_startedAt;
};
