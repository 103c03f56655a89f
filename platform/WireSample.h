#pragma once

#include <QByteArray>

// What a log keeps of bytes from the line: a scanner that streams without end
// must not make one log line megabytes long.
inline constexpr qsizetype kWireSampleLength = 256;

inline QByteArray wireSample(const QByteArray &bytes)
{
    if (bytes.size() <= kWireSampleLength)
        return bytes;
    return bytes.left(kWireSampleLength) + "... (" + QByteArray::number(bytes.size()) + " bytes)";
}
