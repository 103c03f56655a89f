#include "LineKeeper.h"

#include "LogCategories.h"
#include "SerialPort.h"
#include "Timer.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

LineKeeper::LineKeeper(SerialPort &port, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_port(port), m_timer(timers.createTimer())
{
    m_timer->setObjectName(QStringLiteral("reconnectTimer"));
    connect(m_timer.get(), &Timer::timeout, this, &LineKeeper::attempt);
}

LineKeeper::~LineKeeper()
{
    m_timer->stop();
}

void LineKeeper::rememberAdapter()
{
    m_adapter = m_lister ? SerialDevices::entryFor(m_lister->ports(), m_port.device())
                         : SerialPortEntry();
    if (m_adapter.identifiable())
        qCInfo(lcSerial, "%s is adapter %04x:%04x serial \"%s\"", qUtf8Printable(m_port.device()),
               m_adapter.vendorId, m_adapter.productId, qUtf8Printable(m_adapter.serialNumber));
}

void LineKeeper::begin(const QString &portName)
{
    m_portName = portName;
    m_lostDevice = m_port.device();
    m_lostAt = QDateTime::currentDateTime();
    m_attempts = 0;
    m_timer->start(kRetryInterval);
    Q_EMIT statusChanged(statusText());
}

void LineKeeper::end()
{
    m_timer->stop();
}

bool LineKeeper::isActive() const
{
    return m_timer->isActive();
}

QString LineKeeper::statusText() const
{
    return QCoreApplication::translate("LineKeeper",
                                       "Scanner on %1 (%2) lost at %3; reconnecting (attempt %4)")
        .arg(m_portName, m_lostDevice, m_lostAt.toString(u"hh:mm:ss"_s))
        .arg(m_attempts + 1);
}

QString LineKeeper::deviceToOpen() const
{
    // A USB adapter plugged in again may get the next free name; a path that
    // is still there is kept, as it may simply be slow to come back.
    if (QFileInfo::exists(m_lostDevice) || !m_lister || !m_adapter.identifiable())
        return m_lostDevice;
    const QString moved = SerialDevices::findAdapter(m_lister->ports(), m_adapter);
    return moved.isEmpty() ? m_lostDevice : moved;
}

void LineKeeper::attempt()
{
    ++m_attempts;
    const QString device = deviceToOpen();
    if (device != m_port.device()) {
        qCInfo(lcSerial, "the adapter of %s is now %s", qUtf8Printable(m_lostDevice),
               qUtf8Printable(device));
        m_port.setDevice(device);
    }
    m_port.close();
    if (m_port.open()) {
        m_timer->stop();
        qCInfo(lcSerial, "line on %s back after %d attempts", qUtf8Printable(device), m_attempts);
        Q_EMIT restored();
        return;
    }
    // Logged now and then only: an adapter gone for a night would fill the log.
    if (m_attempts == 1 || m_attempts % 60 == 0)
        qCInfo(lcSerial, "reopening %s failed (attempt %d): %s", qUtf8Printable(device), m_attempts,
               qUtf8Printable(m_port.errorString()));
    Q_EMIT statusChanged(statusText());
}
