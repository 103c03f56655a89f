#include "StoredSettings.h"

#include "NumberText.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

// Serial port numbers run from 1 to 255.
constexpr int kHighestPort = 255;
// A century: beyond it a number of days means nothing more than "keep".
constexpr int kLongestRetentionDays = 36525;

bool storedNumber(const SettingsStore &settings, const QString &key, int fallback, double *value)
{
    return wholeNumberFromText(
        settings.value(SettingsKeys::kSettings, key, QString::number(fallback)), value);
}

} // namespace

int StoredSettings::channelCountIndex(const SettingsStore &settings)
{
    double chNum = 0;
    qint16 chCount = 0;
    if (!storedNumber(settings, SettingsKeys::kChNum, SettingsKeys::kChNumDefault, &chNum)
        || !roundToInt16((chNum + 1) * 10, &chCount))
        return SettingsKeys::kChNumDefault;
    qint16 index = 0;
    if (!roundToInt16(chCount / 10.0 - 1, &index) || index < 0 || index > 9)
        return SettingsKeys::kChNumDefault;
    return index;
}

int StoredSettings::comPort(const SettingsStore &settings)
{
    double stored = 0;
    qint16 port = 0;
    if (!storedNumber(settings, SettingsKeys::kComPort, SettingsKeys::kComPortDefault, &stored)
        || !roundToInt16(stored, &port) || port < 1 || port > kHighestPort)
        return SettingsKeys::kComPortDefault;
    return port;
}

int StoredSettings::retentionDays(const SettingsStore &settings)
{
    double stored = 0;
    const QString text = settings.value(SettingsKeys::kRecord, SettingsKeys::kRetentionDays,
                                        QString::number(SettingsKeys::kRetentionDaysDefault));
    // A value that cannot be read must not remove scans the user meant to keep:
    // it falls back to the default rather than to 0 or a few days.
    if (!wholeNumberFromText(text, &stored) || stored < 0 || stored > kLongestRetentionDays)
        return SettingsKeys::kRetentionDaysDefault;
    return int(stored);
}
