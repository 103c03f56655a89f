#pragma once

#include <QLoggingCategory>

// What the program logs, by subject: the serial line (every byte at debug
// level), the scan, the durable record, and the result files.
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
Q_DECLARE_LOGGING_CATEGORY(lcScan)
Q_DECLARE_LOGGING_CATEGORY(lcRecord)
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
