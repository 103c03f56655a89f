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

// The device that stands for each port number.
inline const QString kPorts = u"Ports"_s;
inline QString portKey(int port)
{
    return u"COM"_s + QString::number(port);
}

} // namespace SettingsKeys
