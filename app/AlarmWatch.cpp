#include "AlarmWatch.h"

#include "AlarmFlags.h"
#include "AlarmLimits.h"
#include "DesktopNotifier.h"
#include "GridLayout.h"
#include "LogCategories.h"
#include "Reading.h"

#include <QStringList>

#include <cmath>

using namespace Qt::StringLiterals;

AlarmWatch::AlarmWatch(const AlarmLimits &limits, QObject *parent)
    : QObject(parent), m_limits(limits)
{ }

void AlarmWatch::reset()
{
    if (m_outside.empty())
        return;
    m_outside.clear();
    Q_EMIT statusTextChanged();
}

void AlarmWatch::reading(const Reading &reading)
{
    if (!reading.taken())
        return;
    bool number = false;
    const double value = reading.value.toDouble(&number);
    if (!number || !std::isfinite(value))
        return;
    const AlarmLimits::Check check = m_limits.check(reading.channel, value);
    const auto found = m_outside.find(reading.channel);
    if (check == AlarmLimits::Check::Inside) {
        if (found != m_outside.end()) {
            m_outside.erase(found);
            Q_EMIT statusTextChanged();
        }
        return;
    }
    const AlarmLimits::Band band = m_limits.band(reading.channel);
    const QString channel = u"Ch "_s + channelText(reading.channel);
    const QString what = check == AlarmLimits::Check::Below
        ? AlarmFlags::lowTip(reading.value, *band.low)
        : AlarmFlags::highTip(reading.value, *band.high);
    // Still outside: the status line follows the latest reading, nothing more.
    if (found != m_outside.end()) {
        found->second = channel + u": "_s + what;
        Q_EMIT statusTextChanged();
        return;
    }
    m_outside.emplace(reading.channel, channel + u": "_s + what);
    qCInfo(lcScan, "%s outside its alarm limits: %s", qUtf8Printable(channel),
           qUtf8Printable(what));
    if (m_notifier)
        m_notifier->notify(tr("%1 outside its alarm limits").arg(channel),
                           what + u' ' + reading.unit);
    Q_EMIT statusTextChanged();
}

QString AlarmWatch::statusText() const
{
    if (m_outside.empty())
        return {};
    if (m_outside.size() == 1)
        return m_outside.begin()->second;
    QStringList channels;
    for (const auto &[channel, what] : m_outside)
        channels << u"Ch "_s + channelText(channel);
    return tr("%1 channels outside their alarm limits: %2")
        .arg(m_outside.size())
        .arg(channels.join(u", "_s));
}
