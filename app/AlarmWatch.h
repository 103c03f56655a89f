#pragma once

#include <QObject>
#include <QString>

#include <map>

class AlarmLimits;
class DesktopNotifier;
struct Reading;

// Follows each channel's readings against its alarm limits and tells of an
// excursion once, as it begins: one desktop notification per channel and
// excursion, not one per reading; the channel may raise another only after a
// reading inside its band. The channels outside their band now make a short
// status line.
class AlarmWatch : public QObject
{
    Q_OBJECT
public:
    explicit AlarmWatch(const AlarmLimits &limits, QObject *parent = nullptr);

    // Notifications go here; none without one.
    void setNotifier(DesktopNotifier *notifier) { m_notifier = notifier; }
    void reading(const Reading &reading);
    // A new scan: every channel starts inside.
    void reset();
    // "Ch 05 below its low limit (0.42)", or "3 channels outside their alarm
    // limits: Ch 05, Ch 07, Ch 12"; empty when every channel is inside.
    QString statusText() const;

Q_SIGNALS:
    void statusTextChanged();

private:
    const AlarmLimits &m_limits;
    DesktopNotifier *m_notifier = nullptr;
    // Channels outside their band now, with what to say of each.
    std::map<int, QString> m_outside;
};
