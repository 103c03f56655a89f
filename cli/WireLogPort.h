#pragma once

#include "SerialPort.h"

#include <functional>

// A serial port that passes everything to another one and logs each byte that
// goes out or comes in, with the time, for --verbose.
class WireLogPort : public SerialPort
{
    Q_OBJECT
public:
    // sink takes one line: "12:00:01.250 > V05\r\n".
    using Log = std::function<void(const QString &line)>;

    WireLogPort(SerialPort &inner, Log sink, QObject *parent = nullptr);

    void setDevice(const QString &device) override { m_inner.setDevice(device); }
    QString device() const override { return m_inner.device(); }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_inner.isOpen(); }
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;
    QString errorString() const override { return m_inner.errorString(); }

    // Printable ASCII as it is, CR and LF as \r and \n, every other byte as \xHH.
    static QString escaped(const QByteArray &bytes);

private:
    void log(const QString &what);

    SerialPort &m_inner;
    Log m_log;
};
