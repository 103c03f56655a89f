#pragma once

#include "SerialPortLister.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class SerialPort;
class Timer;
class TimerFactory;

// Brings a failed line back: reopens the port once every kRetryInterval until
// it opens or end() is called. An adapter that comes back under another name
// is found again by its vendor, product and serial number, when a lister was
// given and the adapter was remembered while the line was up. Never blocks,
// never asks the user.
class LineKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRetryInterval { 1000 };

    LineKeeper(SerialPort &port, TimerFactory &timers, QObject *parent = nullptr);
    ~LineKeeper() override;

    void setLister(SerialPortLister *lister) { m_lister = lister; }
    // Notes the adapter behind the port's device, which is open now.
    void rememberAdapter();
    const SerialPortEntry &adapter() const { return m_adapter; }

    // The line of portName ("com1") failed now: starts reopening it.
    void begin(const QString &portName);
    void end();
    bool isActive() const;
    // Reopening attempts made so far.
    int attempts() const { return m_attempts; }
    // "Scanner on com1 (/dev/ttyUSB0) lost at 02:00:13; reconnecting (attempt 7)"
    QString statusText() const;

Q_SIGNALS:
    // Another attempt failed; text is statusText().
    void statusChanged(const QString &text);
    // The port is open again.
    void restored();

private:
    void attempt();
    QString deviceToOpen() const;

    SerialPort &m_port;
    std::unique_ptr<Timer> m_timer;
    SerialPortLister *m_lister = nullptr;
    SerialPortEntry m_adapter;
    QString m_portName;
    QString m_lostDevice;
    QDateTime m_lostAt;
    int m_attempts = 0;
};
