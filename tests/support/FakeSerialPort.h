#pragma once

#include "SerialPort.h"

#include <QByteArray>
#include <QString>

#include <functional>

// A serial port for tests: records what is written, delivers bytes when the
// test says so, and fails on demand. Header-only and without its own signals,
// so any test can include it without extra build steps.
class FakeSerialPort : public SerialPort
{
public:
    using SerialPort::SerialPort;

    // Every byte written while open, in order.
    QByteArray written;
    // Called after each successful write, e.g. to answer like a device would.
    std::function<void(const QByteArray &)> onWrite;
    bool openFails = false;
    bool writeFails = false;
    int openCount = 0;

    // Makes bytes available; with notify, emits readyRead as a device would.
    void receive(const QByteArray &bytes, bool notify = true)
    {
        m_incoming += bytes;
        if (notify)
            Q_EMIT readyRead();
    }
    // The line fails as when the device disappears: closes and reports once.
    void failLine(const QString &reason = QStringLiteral("device gone"))
    {
        if (!m_open)
            return;
        m_open = false;
        m_error = reason;
        Q_EMIT lineFailed(reason);
    }
    qsizetype unreadBytes() const { return m_incoming.size(); }

    void setDevice(const QString &device) override { m_device = device; }
    QString device() const override { return m_device; }
    bool open() override
    {
        ++openCount;
        if (openFails) {
            m_error = QStringLiteral("cannot open");
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override
    {
        if (!m_open || writeFails) {
            m_error = QStringLiteral("write failed");
            return false;
        }
        written += data;
        if (onWrite)
            onWrite(data);
        return true;
    }
    QByteArray readAll() override
    {
        if (!m_open)
            return {};
        QByteArray bytes;
        bytes.swap(m_incoming);
        return bytes;
    }
    QString errorString() const override { return m_error; }

private:
    QString m_device;
    QByteArray m_incoming;
    QString m_error;
    bool m_open = false;
};
