#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// A serial line to the scanner. Reads are by polling readAll() after readyRead;
// a failure of an open line (device gone, far end closed) closes the port and is
// reported once through lineFailed.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The device to open: "/dev/ttyS0", "/dev/pts/3", "COM1".
    virtual void setDevice(const QString &device) = 0;
    virtual QString device() const = 0;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Writes all of data; false when the port is closed or the write fails.
    virtual bool write(const QByteArray &data) = 0;
    // Everything received so far; empties the receive buffer.
    virtual QByteArray readAll() = 0;
    virtual QString errorString() const = 0;

Q_SIGNALS:
    void readyRead();
    void lineFailed(const QString &reason);
};
