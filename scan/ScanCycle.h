#pragma once

#include "Reading.h"
#include "ScannerLink.h"
#include "SettleCheck.h"

#include <QObject>
#include <QSet>

#include <chrono>
#include <memory>

class ChannelNames;
class ResultTable;
class Timer;
class TimerFactory;

// The automatic scan: walks a channel range one channel per timer tick and
// fills the result table, one row per pass. A channel is selected in one tick
// and read in the next, so the scanner has a whole period to settle on it.
// Ticks never overlap: a tick that comes due while a reply is awaited, or while
// the link still drops replies owed by the channel selected before, is skipped,
// never queued. A reading that fails is retried at the next tick into the same cell;
// after kMaxAttempts failures in a row the cell is given up (left empty and
// marked) and the next tick selects the next channel. A channel that did not
// answer at all is asked once per pass from then on, until it answers.
//
// With the settle check on, a reading's first reply is followed by further
// queries of the same selection until two consecutive replies agree within the
// tolerance; the last reply is stored. They are written at least the link's
// echo window after the reply before (an identical reply sooner would be taken
// for an echo) and only while the reply can still come before the next tick is
// due. A reading that did not settle by then is stored all the same and its
// cell marked. Off, not one byte on the line differs.
class ScanCycle : public QObject
{
    Q_OBJECT
public:
    enum class State { Ready, Scanning, Stopped };
    Q_ENUM(State)

    static constexpr int kMaxAttempts = 3;
    // A reply may take a whole period, but at least this long.
    static constexpr std::chrono::milliseconds kMinReplyTimeout { 1000 };
    // How long before the next tick an unanswered query is given up.
    static constexpr std::chrono::milliseconds kTickMargin { 10 };
    // The larger of kMinReplyTimeout and the period, ending kTickMargin before
    // the tick that comes due then.
    static std::chrono::milliseconds replyTimeoutFor(std::chrono::milliseconds period);

    ScanCycle(ScannerLink &link, TimerFactory &timers, ResultTable &table,
              QObject *parent = nullptr);
    ~ScanCycle() override;

    State state() const { return m_state; }
    Timer &timer() { return *tmrScan; }

    // Arms the scan over startCh to endCh with the given period; the port must
    // be open and the table laid out for the range. Writes a first query, as the
    // scanner expects a query before its first select.
    void StartPolling(int startCh, int endCh, std::chrono::milliseconds period);
    // Disarms the scan; the rows taken stay, but not a row just begun that
    // holds no reading yet. The port stays as it is: its owner closes it.
    void StopScan();
    // Back to Ready, as after a new, empty table.
    void makeReady();

    // What a line failure during the scan does: stop the scan (true), or keep
    // it going while the line is down, every tick giving its cell up.
    void setStopOnLineLoss(bool stop) { m_stopOnLineLoss = stop; }
    bool lineDown() const { return m_lineDown; }
    // The line is open again: the next tick selects the channel due, as the
    // scanner's own channel is unknown after a power cycle.
    void lineRestored();

    // One step of the scan; driven by the scan timer.
    void tmrScan_Timer();

    // Failed readings per channel since the scan started.
    // True after a query went unanswered, until the next good reply.
    bool scannerSilent() const { return m_silent; }

    // Applies from the next reading on.
    void setSettleCheck(const SettleCheck &check) { m_settle = check; }
    // The names the scan's channels are taken with, shown with the table.
    void nameChannels(const ChannelNames &names);
    const SettleCheck &settleCheck() const { return m_settle; }
    // The least time left before the next tick for which a further query is
    // still written.
    static constexpr std::chrono::milliseconds kSettleReplyWait { 30 };

Q_SIGNALS:
    void stateChanged(ScanCycle::State state);
    void channelSelected(int channel);
    void valueRead(const QString &value);
    void unitRead(const QString &unit);
    // The newest row, to scroll into view.
    void rowAdded(int row);
    // scannerSilent() changed.
    void healthChanged();
    // The line failed during the scan; the scan has stopped unless it keeps
    // going without a line (state() tells).
    void lineLost(const QString &reason);
    // Every reading as it was taken or failed, with its time.
    void readingDone(const Reading &reading);

private:
    void setState(State state);
    void beginReading();
    void selectCurrentChannel();
    // Stamps a pass row with its first reading's time, then hands the reading on.
    void report(const Reading &reading);
    void onReply(const ParsedReply &reply, const QByteArray &raw);
    void storeReading(const ParsedReply &reply, bool settled = true);
    void onSettleReply(const ParsedReply &reply);
    // Queries again when there is room, or ends the check unsettled.
    void continueSettling();
    void settleQuery();
    void finishSettling(bool settled);
    std::chrono::milliseconds settleDeadline() const;
    void onExchangeFailed(ScannerLink::Failure failure, const QByteArray &partial);
    // Counts the failure, reports it, and gives the cell up after kMaxAttempts.
    void readingFailed(Reading reading);
    void onLineFailed(const QString &reason);
    void giveUpForLostLine();
    void addPassRowIfDue();
    void advanceChannel();
    int readingRow() const;
    // The channel of the cell being read.
    int currentChannel() const;

    ScannerLink &m_link;
    ResultTable &m_table;
    TimerFactory &m_timers;
    std::unique_ptr<Timer> tmrScan;
    State m_state = State::Ready;
    std::chrono::milliseconds m_period { 0 };

    bool FirstTick = false;
    int StartCh = 0;
    int EndCh = 0;
    int CurCh = 0;
    int CurCol = 0;

    bool m_awaitingReply = false;
    // The row of the current pass exists: a failed first reading reuses it.
    bool m_passRowAdded = false;
    bool m_rowHasReading = false;
    // The pass's first cell was given up, so its unit comes with the next reading.
    bool m_unitPending = false;
    int m_attempts = 0;
    bool m_silent = false;
    bool m_stopOnLineLoss = true;
    bool m_lineDown = false;
    // Channels whose last cell was given up without a single reply.
    QSet<int> m_unanswered;
    // Every failure of the cell being read was a query left unanswered.
    bool m_onlySilence = true;

    SettleCheck m_settle;
    // Made with the first check, so that a scan without one has no extra timer.
    std::unique_ptr<Timer> m_settleTimer;
    std::chrono::milliseconds m_selectedAt { 0 };
    std::chrono::milliseconds m_readingStartedAt { 0 };
    // Between the first reply of a checked reading and its storing.
    bool m_settling = false;
    int m_settleQueries = 0;
    ParsedReply m_settleReply;
    double m_settleSpread = 0;
};
