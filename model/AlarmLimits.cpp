#include "AlarmLimits.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QLocale>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::optional<double> readLimit(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString limitText(const std::optional<double> &limit)
{
    return limit ? QLocale::c().toString(*limit, 'g', 15) : QString();
}

} // namespace

void AlarmLimits::setBand(int channel, const Band &band)
{
    if (band.isSet())
        m_bands.insert(channel, band);
    else
        m_bands.remove(channel);
}

AlarmLimits::Check AlarmLimits::check(int channel, double value) const
{
    const auto found = m_bands.constFind(channel);
    if (found == m_bands.constEnd())
        return Check::Inside;
    if (found->low && value < *found->low)
        return Check::Below;
    if (found->high && value > *found->high)
        return Check::Above;
    return Check::Inside;
}

void AlarmLimits::load(const SettingsStore &settings, int firstChannel, int lastChannel)
{
    m_bands.clear();
    for (int channel = firstChannel; channel <= lastChannel; ++channel) {
        const QString text
            = settings.value(SettingsKeys::kAlarmLimits, SettingsKeys::alarmLimitKey(channel), {});
        const qsizetype split = text.indexOf(u';');
        if (split < 0)
            continue;
        setBand(channel,
                { readLimit(QStringView(text).left(split)),
                  readLimit(QStringView(text).mid(split + 1)) });
    }
}

void AlarmLimits::save(SettingsStore &settings, int firstChannel, int lastChannel) const
{
    for (int channel = firstChannel; channel <= lastChannel; ++channel) {
        const Band b = band(channel);
        const QString key = SettingsKeys::alarmLimitKey(channel);
        // An unset band is written empty so that an earlier limit does not come back.
        if (!b.isSet() && settings.value(SettingsKeys::kAlarmLimits, key, {}).isEmpty())
            continue;
        settings.setValue(SettingsKeys::kAlarmLimits, key,
                          b.isSet() ? limitText(b.low) + u';' + limitText(b.high) : QString());
    }
}
