#pragma once

#include "Reading.h"

#include <QObject>

class QLabel;

// The main window's live readouts: the pressure with its unit, and the
// channel being read. A long value shrinks rather than lose its sign; the
// channel stays centred in its frame.
class MainReadouts : public QObject
{
    Q_OBJECT
public:
    MainReadouts(QLabel *pressure, QLabel *unit, QLabel *channel, QObject *parent = nullptr);

    void showPressure(const QString &value);
    void showUnit(const QString &unit);
    void showChannel(int channel);
    void clearPressure();
    // A manual reading: its value, or nothing where it brought none, since
    // whatever was shown belonged to another reading.
    void showReading(const Reading &reading);
    // A reading of the scan zeroed, mark saying by which zero ("zeroed at
    // 14:02"), shown in place of the value as read.
    void showZeroed(const QString &value, const QString &mark);

private:
    QLabel *m_pressure;
    QLabel *m_unit;
    QLabel *m_channel;
};
