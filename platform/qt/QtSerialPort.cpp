#include "QtSerialPort.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "LogCategories.h"
#include "WireSample.h"

using namespace Qt::StringLiterals;

QtSerialPort::QtSerialPort(QObject *parent) : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::setDevice(const QString &device)
{
    m_device = device;
}

QString QtSerialPort::device() const
{
    return m_device;
}

QString QtSerialPort::permissionAdvice(const QString &device, const QString &why)
{
    const QFileInfo info(device);
    if (!info.exists() || (info.isReadable() && info.isWritable()))
        return QCoreApplication::translate("QtSerialPort",
                                           "%1 is in use by another program (%2). Close the "
                                           "other program, or choose another device.")
            .arg(device, why);
    const QString group = info.group().isEmpty() ? u"dialout"_s : info.group();
    return QCoreApplication::translate(
               "QtSerialPort",
               "%1 cannot be opened by this user (%2). Add yourself to the group \"%3\" with "
               "\"sudo usermod -aG %3 $USER\", then log out and log in again.")
        .arg(device, why, group);
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    m_error.clear();
    m_port.setPortName(m_device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        // Another program's lock file or exclusive open reads as a permission
        // error too: the device's own permissions tell the two apart.
        const QSerialPort::SerialPortError error = m_port.error();
        m_error = error == QSerialPort::PermissionError
            ? permissionAdvice(m_device, m_port.errorString())
            : m_port.errorString();
        m_port.clearError();
        return false;
    }
    qCDebug(lcSerial, "opened %s", qUtf8Printable(m_device));
    const bool configured = m_port.setBaudRate(QSerialPort::Baud38400)
        && m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity)
        && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_error = m_port.errorString();
        m_port.close();
        return false;
    }
    return true;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::write(const QByteArray &data)
{
    if (!m_port.isOpen()) {
        m_error = u"the port is not open"_s;
        return false;
    }
    qCDebug(lcSerial) << "->" << data;
    if (m_port.write(data) != data.size()) {
        m_error = m_port.errorString();
        return false;
    }
    return true;
}

QByteArray QtSerialPort::readAll()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        qCDebug(lcSerial) << "<-" << wireSample(bytes);
    return bytes;
}

QString QtSerialPort::errorString() const
{
    return m_error;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // QSerialPort reports NoError once at open, and a closed far end as the same
    // ReadError over and over while the port stays open: close at the first real
    // error and tell the user once.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (!m_port.isOpen())
        return;
    m_error = m_port.errorString();
    m_port.clearError();
    m_port.close();
    qCWarning(lcSerial, "line on %s failed: %s", qUtf8Printable(m_device), qUtf8Printable(m_error));
    Q_EMIT lineFailed(m_error);
}
