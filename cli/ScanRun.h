#pragma once

#include "Reading.h"
#include "ScanSession.h"
#include "ScanZero.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <memory>

class ResultTable;
class SerialPort;
class Timer;
class TimerFactory;

// One command-line scan from start to end: starts the session, counts the
// passes, ends after the pass or time limit, on end() (a signal from outside)
// or when the line is lost, and then writes the result file and the CSV that
// were asked for and marks the recorded scan saved. The outcome says
// how it ended, as the program's exit code and a one-line message.
class ScanRun : public QObject
{
    Q_OBJECT
public:
    enum ExitCode {
        Done = 0,
        BadArguments = 1,
        PortFailed = 2,
        SaveFailed = 3,
        LineLost = 4,
        // The scan ended with readings the record could not keep.
        RecordIncomplete = 5,
    };

    struct Plan
    {
        ScanSession::Request request;
        // Limits; 0 is none.
        int passes = 0;
        std::chrono::milliseconds duration { 0 };
        // Passes zeroed on before recording; they count for no limit and are
        // left out of the files. 0 is no zero.
        int zeroPasses = 0;
        // Either may be empty: the record keeps the readings.
        QString outFile;
        QString csvFile;
    };

    struct Progress
    {
        int passes = 0; // complete passes
        int passLimit = 0;
        int rows = 0;
        std::chrono::milliseconds elapsed { 0 };
        std::chrono::milliseconds duration { 0 };
        // Channels whose last reading failed.
        QList<int> failingChannels;
        bool scannerSilent = false;
        // The zero passes are under way.
        bool zeroing = false;
    };

    struct Outcome
    {
        int exitCode = Done;
        QString message;
    };

    // How often progress is reported and the time limit checked.
    static constexpr std::chrono::milliseconds kProgressInterval { 1000 };

    // port is the session's port, for the reason it could not be opened.
    ScanRun(ScanSession &session, SerialPort &port, TimerFactory &timers,
            QObject *parent = nullptr);
    ~ScanRun() override;

    // Checks that the files can be written, opens the port and starts
    // the scan. False, with outcome() saying why, when it cannot start.
    bool start(const Plan &plan);
    // Ends the scan now and saves what was taken; why names the request
    // ("SIGINT"). Nothing happens once the run has ended.
    void end(const QString &why);

    bool isRunning() const { return m_running; }
    Progress progress() const;
    Outcome outcome() const { return m_outcome; }

Q_SIGNALS:
    // Every kProgressInterval and at every completed pass.
    void progressed(const ScanRun::Progress &progress);
    void finished(const ScanRun::Outcome &outcome);
    // A line worth telling while the scan runs (the zero was taken).
    void notice(const QString &text);

private:
    void onReading(const Reading &reading);
    void onTick();
    void finish(int exitCode, const QString &how);
    QString summary() const;
    bool writeCsv(const ResultTable &table, QString *error) const;
    void zeroTaken(const ZeroSet &set, const QList<int> &noOffset);

    ScanSession &m_session;
    SerialPort &m_port;
    std::unique_ptr<Timer> m_ticker;
    Plan m_plan;
    QElapsedTimer m_clock;
    int m_passes = 0;
    QSet<int> m_failing;
    bool m_running = false;
    Outcome m_outcome;
    ScanZero m_zero;
};
