#include "ScanSession.h"

#include "GridLayout.h"
#include "ResultTable.h"
#include "SerialPort.h"

using namespace Qt::StringLiterals;

ScanSession::ScanSession(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_table(new ResultTable(this))
{
    m_link = std::make_unique<ScannerLink>(m_port, timers);
    m_cycle = std::make_unique<ScanCycle>(*m_link, timers, *m_table);
    m_manual = std::make_unique<ManualReading>(*m_link);

    connect(m_cycle.get(), &ScanCycle::stateChanged, this, &ScanSession::stateChanged);
    connect(m_cycle.get(), &ScanCycle::channelSelected, this, &ScanSession::channelSelected);
    connect(m_cycle.get(), &ScanCycle::valueRead, this, &ScanSession::valueRead);
    connect(m_cycle.get(), &ScanCycle::unitRead, this, &ScanSession::unitRead);
    connect(m_cycle.get(), &ScanCycle::rowAdded, this, &ScanSession::rowAdded);
    connect(m_cycle.get(), &ScanCycle::healthChanged, this, &ScanSession::healthChanged);
    connect(m_cycle.get(), &ScanCycle::readingDone, this, &ScanSession::readingDone);
    connect(m_cycle.get(), &ScanCycle::lineLost, this, [this](const QString &reason) {
        m_port.close();
        Q_EMIT lineLost(reason, true);
    });
    connect(m_manual.get(), &ManualReading::finished, this, [this](const Reading &reading) {
        Q_EMIT readingDone(reading);
        Q_EMIT healthChanged();
        if (reading.status == Reading::Status::LineLost)
            Q_EMIT lineLost(m_link->errorString(), false);
    });
}

ScanSession::~ScanSession()
{
    m_manual.reset();
    m_cycle.reset();
    m_link.reset();
}

bool ScanSession::openPort(const QString &portName, const QString &device)
{
    m_portName = portName;
    m_port.setDevice(device);
    if (m_port.open())
        return true;
    m_error
        = u"Cannot open the scanner's port %1: %2"_s.arg(portDescription(), m_port.errorString());
    return false;
}

bool ScanSession::start(const Request &request)
{
    // The port first, so that one that cannot be opened changes nothing.
    if (!openPort(request.portName, request.device))
        return false;
    m_table->setLayout(gridLayoutFor(request.startCh, request.endCh));
    m_cycle->StartPolling(request.startCh, request.endCh, request.period);
    return true;
}

void ScanSession::stop()
{
    m_cycle->StopScan();
    m_port.close();
}

void ScanSession::makeReady()
{
    if (isScanning())
        stop();
    m_cycle->makeReady();
}

void ScanSession::holdTable()
{
    if (state() == State::Ready)
        m_cycle->StopScan();
}

bool ScanSession::openLine(const QString &portName, const QString &device)
{
    return openPort(portName, device);
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
