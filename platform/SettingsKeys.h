#pragma once

#include <QString>

// Names and defaults of everything the program keeps in the settings store.
namespace SettingsKeys {

using namespace Qt::StringLiterals;

inline const QString kSettings = u"Settings"_s;
// Index of the chosen channel count: 0 = 10 channels ... 9 = 100.
inline const QString kChNum = u"ChNum"_s;
inline constexpr int kChNumDefault = 1;
// Serial port number: 1 = com1, 2 = com2.
inline const QString kComPort = u"ComPort"_s;
inline constexpr int kComPortDefault = 1;
// "1": a scan whose line fails stops; otherwise it keeps going and reconnects.
inline const QString kStopOnLineLoss = u"StopOnLineLoss"_s;
// How many complete passes Scan > Zero averages.
inline const QString kZeroPasses = u"ZeroPasses"_s;

// The device that stands for each port number.
inline const QString kPorts = u"Ports"_s;
inline QString portKey(int port)
{
    return u"COM"_s + QString::number(port);
}

// Per-channel alarm limits: key "Ch5" holds "low;high", either side may be empty.
inline const QString kAlarmLimits = u"AlarmLimits"_s;
inline QString alarmLimitKey(int channel)
{
    return u"Ch"_s + QString::number(channel);
}

// What each channel measures, as Set > Channels keeps it: key "Ch5" holds
// the channel's name in one section and its note in the other.
inline const QString kChannelNames = u"ChannelNames"_s;
inline const QString kChannelNotes = u"ChannelNotes"_s;
inline QString channelNameKey(int channel)
{
    return u"Ch"_s + QString::number(channel);
}

// The live view window: its geometry (base64 of QWidget::saveGeometry), whether it
// was open when the program ended, the tab shown and the channels in the trend.
inline const QString kLiveView = u"LiveView"_s;
inline const QString kLiveViewGeometry = u"Geometry"_s;
inline const QString kLiveViewOpen = u"Open"_s;
inline const QString kLiveViewTab = u"Tab"_s;
inline const QString kLiveViewTrendChannels = u"TrendChannels"_s;

// The result files opened or saved last, newest first: keys "File1" to "File8".
inline const QString kRecent = u"Recent"_s;
inline constexpr int kRecentCount = 8;
inline QString recentFileKey(int position)
{
    return u"File"_s + QString::number(position);
}
// The durable record of scans: saved and discarded scans older than this many
// days are removed at start-up; 0 keeps everything.
inline const QString kRecord = u"Record"_s;
inline const QString kRetentionDays = u"RetentionDays"_s;
inline constexpr int kRetentionDaysDefault = 90;
// Where the record of scans is kept: a store URL as openScanRecord() takes it
// ("sqlite:PATH", "postgresql://user@host/db"); empty for the embedded file.
inline const QString kRecordStore = u"Store"_s;
inline const QString kRecordStoreDefault = QString();

// Scan > Settle Check: "1" when on, the tolerance (C locale) and the most
// further queries per reading.
inline const QString kSettleCheck = u"SettleCheck"_s;
inline const QString kSettleOn = u"On"_s;
inline const QString kSettleTolerance = u"Tolerance"_s;
inline const QString kSettleMaxQueries = u"MaxQueries"_s;

} // namespace SettingsKeys
