#include "ScanCycle.h"

#include "GridLayout.h"
#include "ResultTable.h"
#include "SerialPort.h"
#include "Timer.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

std::chrono::milliseconds ScanCycle::replyTimeoutFor(std::chrono::milliseconds period)
{
    using std::chrono::milliseconds;
    if (period <= milliseconds(0))
        return kMinReplyTimeout;
    // The wait ends just before a tick comes due, so that a failed reading is
    // retried at that tick and not one period later.
    const milliseconds wait = std::max(kMinReplyTimeout, period);
    const auto ticks = (wait + period - milliseconds(1)) / period;
    return ticks * period - std::min(kTickMargin, period / 4);
}

ScanCycle::ScanCycle(ScannerLink &link, TimerFactory &timers, ResultTable &table, QObject *parent)
    : QObject(parent), m_link(link), m_table(table), m_timers(timers), tmrScan(timers.createTimer())
{
    tmrScan->setObjectName(u"tmrScan"_s);
    connect(tmrScan.get(), &Timer::timeout, this, &ScanCycle::tmrScan_Timer);
    connect(&m_link, &ScannerLink::replyReceived, this, &ScanCycle::onReply);
    connect(&m_link, &ScannerLink::exchangeFailed, this, &ScanCycle::onExchangeFailed);
    connect(&m_link.port(), &SerialPort::lineFailed, this, &ScanCycle::onLineFailed);
}

ScanCycle::~ScanCycle() = default;

void ScanCycle::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (state == State::Scanning) {
        tmrScan->start(m_period);
    } else {
        tmrScan->stop();
        if (m_settleTimer)
            m_settleTimer->stop();
        m_settling = false;
        if (m_awaitingReply) {
            m_link.abandon();
            m_awaitingReply = false;
        }
    }
    Q_EMIT stateChanged(state);
}

void ScanCycle::StartPolling(int startCh, int endCh, std::chrono::milliseconds period)
{
    StartCh = startCh;
    EndCh = endCh;
    m_period = period;
    CurCol = 0;
    CurCh = StartCh;
    FirstTick = true;
    m_passRowAdded = false;
    m_unitPending = false;
    m_attempts = 0;
    m_silent = false;
    m_lineDown = false;
    m_unanswered.clear();
    m_settling = false;
    m_table.setLayout(gridLayoutFor(startCh, endCh));
    m_table.clearMarks();
    Q_EMIT healthChanged();
    setState(State::Scanning);
    m_link.sendQuery();
}

void ScanCycle::StopScan()
{
    const bool wasScanning = m_state == State::Scanning;
    m_lineDown = false;
    setState(State::Stopped);
    // A pass that had not stored a reading yet leaves no row that holds only
    // its ID.
    if (wasScanning && m_passRowAdded && !m_rowHasReading && m_table.rows() > 1)
        m_table.setRows(m_table.rows() - 1);
    m_passRowAdded = false;
}

void ScanCycle::makeReady()
{
    if (m_state == State::Scanning)
        StopScan();
    m_silent = false;
    m_table.clearMarks();
    setState(State::Ready);
    Q_EMIT healthChanged();
}

void ScanCycle::tmrScan_Timer()
{
    // A tick that comes due while the previous one still waits for its reply
    // is skipped: two exchanges must never share the line.
    if (m_state != State::Scanning || m_awaitingReply || m_settling)
        return;
    if (m_lineDown) {
        giveUpForLostLine();
        return;
    }
    if (FirstTick) {
        FirstTick = false;
        selectCurrentChannel();
        return;
    }
    // A reply to a query on the channel selected before is still due: a
    // reading now could take it for this channel's. Not a failed reading.
    if (m_link.isDraining())
        return;
    beginReading();
}

int ScanCycle::currentChannel() const
{
    return StartCh + CurCol - 1;
}

int ScanCycle::readingRow() const
{
    return m_table.rows() - 1;
}

void ScanCycle::addPassRowIfDue()
{
    if (CurCol == 1 && !m_passRowAdded) {
        const int row = m_table.appendRow();
        m_table.setText(row, 0, QString::number(row));
        m_passRowAdded = true;
        m_rowHasReading = false;
        Q_EMIT rowAdded(row);
    }
}

void ScanCycle::beginReading()
{
    addPassRowIfDue();
    if (m_attempts == 0)
        m_onlySilence = true;
    // A channel that left every query of its last cell unanswered is asked
    // once, for as long as any reply can take: its silence must be waited out
    // before the next channel anyway, and one query costs the least of it.
    const std::chrono::milliseconds timeout = m_unanswered.contains(currentChannel())
        ? std::max(ScannerLink::kReplyBound, replyTimeoutFor(m_period))
        : replyTimeoutFor(m_period);
    m_readingStartedAt = m_timers.now();
    m_awaitingReply = m_link.query(timeout);
    if (!m_awaitingReply) {
        Reading reading;
        reading.status = Reading::Status::LineLost;
        reading.raw = m_link.errorString().toUtf8();
        readingFailed(reading);
    }
}

void ScanCycle::onReply(const ParsedReply &reply, const QByteArray &raw)
{
    if (!m_awaitingReply)
        return;
    m_awaitingReply = false;
    if (m_settling) {
        onSettleReply(reply);
        return;
    }
    if (!reply.valueTaken) {
        Reading reading;
        reading.status = Reading::Status::Unreadable;
        reading.raw = raw;
        readingFailed(reading);
        return;
    }
    if (m_settle.active()) {
        m_settling = true;
        m_settleQueries = 1;
        m_settleReply = reply;
        m_settleSpread = std::numeric_limits<double>::quiet_NaN();
        continueSettling();
        return;
    }
    m_settleQueries = 0;
    storeReading(reply);
}

std::chrono::milliseconds ScanCycle::settleDeadline() const
{
    // As a reply's wait, the check ends just before the next tick comes due.
    return m_readingStartedAt + m_period - std::min(kTickMargin, m_period / 4);
}

void ScanCycle::onSettleReply(const ParsedReply &reply)
{
    // A reply that cannot be read ends the check; the last good one is stored.
    bool ok = false;
    const double value = reply.value.toDouble(&ok);
    if (!reply.valueTaken || !ok) {
        finishSettling(false);
        return;
    }
    const double before = m_settleReply.value.toDouble();
    const bool sameUnit = reply.unit == m_settleReply.unit;
    m_settleSpread = std::abs(value - before);
    m_settleReply = reply;
    // Replies a tolerance apart must pass although their difference in binary
    // is a hair above it.
    const double slack = 1e-9 * std::max({ 1.0, std::abs(value), std::abs(before) });
    if (m_settleSpread <= m_settle.tolerance + slack && sameUnit)
        finishSettling(true);
    else
        continueSettling();
}

void ScanCycle::continueSettling()
{
    if (m_settleQueries > m_settle.maxExtraQueries) {
        finishSettling(false);
        return;
    }
    const std::chrono::milliseconds now = m_timers.now();
    const std::chrono::milliseconds queryAt = std::max(now, m_link.echoPassedAt());
    const std::chrono::milliseconds wait = std::max(kSettleReplyWait, m_link.learnedReplyWait());
    if (queryAt + wait > settleDeadline()) {
        finishSettling(false);
        return;
    }
    if (queryAt <= now) {
        settleQuery();
        return;
    }
    if (!m_settleTimer) {
        m_settleTimer = m_timers.createTimer();
        m_settleTimer->setObjectName(u"settleTimer"_s);
        m_settleTimer->setSingleShot(true);
        connect(m_settleTimer.get(), &Timer::timeout, this, &ScanCycle::settleQuery);
    }
    m_settleTimer->start(queryAt - now);
}

void ScanCycle::settleQuery()
{
    if (!m_settling || m_awaitingReply)
        return;
    // Lines that came while the query was put off may have moved the echo window.
    const std::chrono::milliseconds now = m_timers.now();
    if (m_link.echoPassedAt() > now) {
        continueSettling();
        return;
    }
    // A timer that fired late may leave too little of the tick for a reply.
    if (now + std::max(kSettleReplyWait, m_link.learnedReplyWait()) > settleDeadline()) {
        finishSettling(false);
        return;
    }
    m_awaitingReply = m_link.query(settleDeadline() - now);
    if (!m_awaitingReply) {
        finishSettling(false);
        return;
    }
    ++m_settleQueries;
}

void ScanCycle::finishSettling(bool settled)
{
    m_settling = false;
    if (m_settleTimer)
        m_settleTimer->stop();
    storeReading(m_settleReply, settled);
}

void ScanCycle::storeReading(const ParsedReply &reply, bool settled)
{
    const bool wasSilent = m_silent;
    m_silent = false;
    m_attempts = 0;
    m_unanswered.remove(currentChannel());
    const int row = readingRow();
    Q_EMIT valueRead(reply.value);
    m_table.setText(row, CurCol, reply.value);
    m_rowHasReading = true;
    if (CurCol == 1 || m_unitPending) {
        Q_EMIT unitRead(reply.unit);
        m_table.setText(row, m_table.cols() - 1, reply.unit);
        m_unitPending = false;
    }
    Reading reading;
    reading.pass = row;
    reading.channel = currentChannel();
    reading.time = QDateTime::currentDateTimeUtc();
    reading.value = reply.value;
    reading.unit = reply.unit;
    reading.settleQueries = m_settleQueries;
    if (m_settleQueries > 0) {
        reading.settleMs = (m_timers.now() - m_selectedAt).count();
        reading.settled = settled;
        reading.settleSpread = m_settleSpread;
        if (!settled)
            m_table.markUnsettled(row, CurCol, SettleText::unsettledTip(reading));
    }
    report(reading);
    if (wasSilent)
        Q_EMIT healthChanged();
    selectCurrentChannel();
}

void ScanCycle::onExchangeFailed(ScannerLink::Failure failure, const QByteArray &partial)
{
    if (!m_awaitingReply)
        return;
    m_awaitingReply = false;
    // A further query of the check that failed leaves the reading as it was.
    if (m_settling) {
        finishSettling(false);
        return;
    }
    if (failure == ScannerLink::Failure::LineFailed)
        return; // the port's own lineFailed stops the scan
    Reading reading;
    reading.status = Reading::Status::NoReply;
    reading.raw = partial;
    readingFailed(reading);
}

void ScanCycle::readingFailed(Reading reading)
{
    const int channel = currentChannel();
    const bool noReply = reading.status == Reading::Status::NoReply;
    m_silent = m_silent || noReply;
    m_onlySilence = m_onlySilence && noReply;
    reading.pass = readingRow();
    reading.channel = channel;
    reading.time = QDateTime::currentDateTimeUtc();
    reading.givenUp = ++m_attempts >= kMaxAttempts || (noReply && m_unanswered.contains(channel));
    report(reading);
    Q_EMIT healthChanged();
    if (!reading.givenUp)
        return; // the next tick asks the same channel again
    // Give the reading up so one dead channel cannot hold up the whole scan:
    // the next tick selects the next channel, as if this one had been read.
    m_attempts = 0;
    if (m_onlySilence)
        m_unanswered.insert(channel);
    m_table.markCell(readingRow(), CurCol, reading.failureText());
    if (CurCol == 1)
        m_unitPending = true;
    FirstTick = true;
}

void ScanCycle::nameChannels(const ChannelNames &names)
{
    m_table.setChannelNames(names);
}

void ScanCycle::report(const Reading &reading)
{
    // A pass's time is that of its first reading.
    if (reading.pass > 0 && !m_table.rowTime(reading.pass).isValid())
        m_table.setRowTime(reading.pass, reading.time);
    Q_EMIT readingDone(reading);
}

void ScanCycle::selectCurrentChannel()
{
    if (!m_link.select(CurCh)) {
        // The scanner still sits on the previous channel: select again before
        // the next reading rather than store that channel's value here.
        FirstTick = true;
        return;
    }
    m_selectedAt = m_timers.now();
    Q_EMIT channelSelected(CurCh);
    advanceChannel();
}

void ScanCycle::advanceChannel()
{
    ++CurCh;
    ++CurCol;
    if (CurCh > EndCh)
        CurCh = StartCh;
    if (CurCol == m_table.cols() - 1) {
        CurCol = 1;
        m_passRowAdded = false;
    }
}

void ScanCycle::onLineFailed(const QString &reason)
{
    if (m_state != State::Scanning)
        return;
    // A check that waited to query again keeps what it has.
    if (m_settling && !m_awaitingReply)
        finishSettling(false);
    if (m_stopOnLineLoss) {
        StopScan();
    } else {
        // A reading under way when the line went is given up by the next tick.
        m_lineDown = true;
        m_awaitingReply = false;
        m_attempts = 0;
    }
    Q_EMIT lineLost(reason);
}

void ScanCycle::giveUpForLostLine()
{
    // One cell per tick, so that the table keeps one row per pass and the
    // stretch without a line shows where it was. A channel whose select was
    // due counts as selected: nothing can be written.
    if (FirstTick) {
        FirstTick = false;
        advanceChannel();
    }
    addPassRowIfDue();
    m_attempts = kMaxAttempts - 1;
    Reading reading;
    reading.status = Reading::Status::LineLost;
    readingFailed(reading);
}

void ScanCycle::lineRestored()
{
    if (!m_lineDown)
        return;
    // Back before a tick could give the cell under way up: give it up now, as
    // the next tick selects the next channel.
    if (!FirstTick && m_state == State::Scanning)
        giveUpForLostLine();
    m_lineDown = false;
    m_attempts = 0;
    FirstTick = true;
    // As at the start: the scanner expects a query before its first select.
    if (m_state == State::Scanning)
        m_link.sendQuery();
}
