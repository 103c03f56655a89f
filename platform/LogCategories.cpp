#include "LogCategories.h"

// Debug (the bytes on the wire) is off unless asked for; the rest is on.
Q_LOGGING_CATEGORY(lcSerial, "rozivoda.serial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScan, "rozivoda.scan", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecord, "rozivoda.record", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFiles, "rozivoda.files", QtInfoMsg)
