#include "ScanSession.h"

#include "GridLayout.h"
#include "LogCategories.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "SerialPort.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

ScanSession::ScanSession(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_table(new ResultTable(this))
{
    m_link = std::make_unique<ScannerLink>(m_port, timers);
    m_cycle = std::make_unique<ScanCycle>(*m_link, timers, *m_table);
    m_manual = std::make_unique<ManualReading>(*m_link);
    m_keeper = std::make_unique<LineKeeper>(m_port, timers);
    m_cycle->setStopOnLineLoss(m_stopOnLineLoss);

    connect(m_cycle.get(), &ScanCycle::stateChanged, this, &ScanSession::updateState);
    connect(m_cycle.get(), &ScanCycle::healthChanged, this, &ScanSession::healthChanged);
    connect(m_cycle.get(), &ScanCycle::readingDone, this, &ScanSession::keep);
    connect(m_cycle.get(), &ScanCycle::lineLost, this, [this](const QString &reason) {
        qCWarning(lcScan, "line to the scanner on %s lost: %s", qUtf8Printable(portDescription()),
                  qUtf8Printable(reason));
        if (isScanning()) {
            m_keeper->begin(m_portName);
            updateState();
            return;
        }
        m_port.close();
        endRecordedScan();
        qCInfo(lcScan, "scan stopped: the line was lost");
        Q_EMIT lineLost(reason, true);
    });
    connect(m_keeper.get(), &LineKeeper::statusChanged, this, &ScanSession::reconnecting);
    connect(m_keeper.get(), &LineKeeper::restored, this, [this] {
        qCInfo(lcScan, "line to the scanner on %s back after %d attempts",
               qUtf8Printable(portDescription()), m_keeper->attempts());
        logCellsWithoutLine();
        m_cycle->lineRestored();
        updateState();
        Q_EMIT lineBack();
    });
    connect(m_manual.get(), &ManualReading::finished, this, [this](const Reading &reading) {
        keep(reading);
        Q_EMIT healthChanged();
        if (reading.status == Reading::Status::LineLost)
            Q_EMIT lineLost(m_link->errorString(), false);
    });
    connect(m_cycle.get(), &ScanCycle::readingDone, this, [this](const Reading &reading) {
        if (!reading.givenUp)
            return;
        // A night without a line would give up a cell a tick and push the
        // scan's start out of the log: those are told as one stretch.
        if (m_cycle->lineDown()) {
            if (m_cellsWithoutLine++ == 0)
                m_firstCellWithoutLine = reading;
            m_lastCellWithoutLine = reading;
            return;
        }
        qCInfo(lcScan, "pass %d channel %d given up: %s", reading.pass, reading.channel,
               qUtf8Printable(reading.failureText()));
    });
}

void ScanSession::logCellsWithoutLine()
{
    if (m_cellsWithoutLine == 0)
        return;
    qCInfo(lcScan, "%d cells given up without a line, pass %d channel %d to pass %d channel %d",
           m_cellsWithoutLine, m_firstCellWithoutLine.pass, m_firstCellWithoutLine.channel,
           m_lastCellWithoutLine.pass, m_lastCellWithoutLine.channel);
    m_cellsWithoutLine = 0;
}

void ScanSession::setStopOnLineLoss(bool stop)
{
    m_stopOnLineLoss = stop;
    m_cycle->setStopOnLineLoss(stop);
}

ScanSession::~ScanSession()
{
    m_keeper.reset();
    m_manual.reset();
    m_cycle.reset();
    m_link.reset();
}

void ScanSession::setRecord(ScanRecord *record)
{
    m_record = record;
    if (m_record) {
        connect(m_record, &ScanRecord::stoppedWorking, this, [this](const QString &why) {
            qCWarning(lcRecord, "the record stopped keeping readings: %s", qUtf8Printable(why));
            Q_EMIT recordFailed(why);
        });
        connect(m_record, &ScanRecord::workingAgain, this, [this] {
            qCInfo(lcRecord, "the record keeps readings again; %lld wait to be written",
                   m_record->waitingReadings());
            Q_EMIT recordResumed();
        });
    }
}

void ScanSession::waitForRecord()
{
    if (m_record)
        m_record->waitForWritten(kRecordWait);
}

QString ScanSession::recordProblem() const
{
    return m_record && !m_record->isWorking() ? m_record->errorString() : QString();
}

int ScanSession::passes() const
{
    return std::max(0, m_table->rows() - 1);
}

void ScanSession::keep(const Reading &reading)
{
    // Handed over in order; the record commits it on a thread of its own.
    if (m_record)
        m_record->addReading(reading);
    Q_EMIT readingDone(reading);
}

void ScanSession::endRecordedScan()
{
    if (m_record && m_record->currentScan() >= 0)
        m_record->endScan(ScanState::Stopped);
    waitForRecord();
}

void ScanSession::markSaved(qint64 id, const QString &file)
{
    if (!m_record || id < 0)
        return;
    // The log says the record holds it only once it does.
    if (m_record->markSaved(id, file) && m_record->waitForWritten(kRecordWait))
        qCInfo(lcRecord, "scan %lld marked saved to %s in the record", id, qUtf8Printable(file));
    else
        qCWarning(lcRecord, "scan %lld was saved to %s but the record has not marked it: %s", id,
                  qUtf8Printable(file), qUtf8Printable(m_record->errorString()));
}

void ScanSession::markDiscarded(qint64 id)
{
    if (m_record && id >= 0) {
        m_record->markDiscarded(id);
        waitForRecord();
    }
}

void ScanSession::updateState()
{
    State state = State::Idle;
    if (m_cycle->state() == ScanCycle::State::Scanning)
        state = m_keeper->isActive() ? State::Reconnecting : State::Scanning;
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

bool ScanSession::openPort(const QString &portName, const QString &device)
{
    m_portName = portName;
    m_port.setDevice(device);
    if (m_port.open())
        return true;
    m_error = QCoreApplication::translate("ScanSession", "Cannot open the scanner's port %1: %2")
                  .arg(portDescription(), m_port.errorString());
    qCWarning(lcScan, "%s", qUtf8Printable(m_error));
    return false;
}

bool ScanSession::start(const Request &request)
{
    // The port first, so that one that cannot be opened changes nothing.
    if (!openPort(request.portName, request.device))
        return false;
    m_keeper->rememberAdapter();
    m_cycle->nameChannels(request.names);
    qCInfo(lcScan, "scan started: channels %d to %d every %lld ms on %s", request.startCh,
           request.endCh, qint64(request.period.count()), qUtf8Printable(portDescription()));
    m_startedAt = QDateTime::currentDateTimeUtc();
    m_recordedScan = -1;
    if (m_record) {
        ScanInfo info;
        info.start = m_startedAt;
        info.portName = request.portName;
        info.device = request.device;
        info.startChannel = request.startCh;
        info.endChannel = request.endCh;
        info.term = request.period;
        info.names = request.names;
        m_recordedScan = m_record->beginScan(info);
    }
    if (request.settle.active())
        qCInfo(lcScan, "settle check on: tolerance %g, at most %d further queries",
               request.settle.tolerance, request.settle.maxExtraQueries);
    m_cycle->setSettleCheck(request.settle);
    Q_EMIT scanStarted(request);
    m_cycle->StartPolling(request.startCh, request.endCh, request.period);
    return true;
}

void ScanSession::stop()
{
    const bool wasScanning = isScanning();
    m_keeper->end();
    logCellsWithoutLine();
    m_cycle->StopScan();
    m_port.close();
    endRecordedScan();
    if (wasScanning)
        qCInfo(lcScan, "scan stopped after %d %s", passes(), passes() == 1 ? "pass" : "passes");
}

void ScanSession::abandon()
{
    // The record keeps the scan marked running, so that the next start offers
    // it back.
    m_keeper->end();
    m_cycle->StopScan();
    closeLine();
    waitForRecord();
    qCInfo(lcScan, "scan abandoned as the program ends");
}

void ScanSession::makeReady()
{
    if (isScanning())
        stop();
    m_cycle->makeReady();
}

bool ScanSession::openLine(const QString &portName, const QString &device)
{
    return openPort(portName, device);
}

bool ScanSession::reopenLostLine()
{
    if (m_port.isOpen())
        return true;
    if (!openPort(m_portName, m_port.device()))
        return false;
    qCInfo(lcScan, "line to the scanner on %s reopened", qUtf8Printable(portDescription()));
    Q_EMIT lineBack();
    return true;
}

void ScanSession::closeLine()
{
    m_manual->abandon();
    m_port.close();
}

QString ScanSession::portDescription() const
{
    return m_portName + u" ("_s + m_port.device() + u")"_s;
}
