#pragma once

#include "SerialPort.h"

#include <QSerialPort>

// The scanner's line on a real serial device: 38400 baud, 8 data bits, no
// parity, 1 stop bit, no handshaking.
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(QObject *parent = nullptr);

    void setDevice(const QString &device) override;
    QString device() const override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;
    QString errorString() const override;

    // What to tell a user whom the system refused the device: a device this
    // user may read and write is held by another program; otherwise the user
    // needs the device's group, which takes a new login to apply.
    static QString permissionAdvice(const QString &device, const QString &why);

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_device;
    QString m_error;
};
