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

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_device;
    QString m_error;
};
