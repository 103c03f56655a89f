#pragma once

// A record of ten million readings for the benchmarks, built once and kept.

#include "SqliteScanRecord.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace bigstore {

using namespace Qt::StringLiterals;

constexpr int kChannels = 20;
constexpr int kScans = 10;
constexpr qint64 kReadingsPerScan = 1'000'000;

// On the disk the record lives on (not a tmpfs), so that flushes cost what
// they cost at home; kept between runs, as filling it takes a while.
inline QString bigStorePath()
{
    return u"/var/tmp/rozivoda-bench-store-10M.sqlite"_s;
}

inline Reading benchReading(qint64 n)
{
    Reading reading;
    reading.pass = int(n / kChannels) + 1;
    reading.channel = int(n % kChannels);
    reading.time = QDateTime::currentDateTimeUtc();
    reading.value = QString::number(double((n * 7919) % 20000) / 10000.0 - 1.0, 'f', 4);
    reading.unit = u"kgf/cm2"_s;
    return reading;
}

// Ten scans of a million readings each (20 channels, 50,000 passes), written
// in one transaction straight through SQL in the record's own schema.
inline bool makeBigStore(const QString &path)
{
    if (QFile::exists(path))
        return true;
    const QString building = path + u".part"_s;
    QFile::remove(building);
    {
        SqliteScanRecord record(building);
        if (!record.open())
            return false;
        for (int scan = 0; scan < kScans; ++scan) {
            ScanInfo info;
            info.start = QDateTime::currentDateTimeUtc().addDays(scan - kScans);
            info.portName = u"com1"_s;
            info.device = u"/dev/ttyUSB0"_s;
            info.startChannel = 0;
            info.endChannel = kChannels - 1;
            info.term = std::chrono::milliseconds(200);
            record.beginScan(info);
            record.addReading(benchReading(0));
            record.endScan();
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(building);
        if (!db.open())
            return false;
        QSqlQuery query(db);
        bool filled = query.exec(u"BEGIN"_s);
        for (int scan = 1; filled && scan <= kScans; ++scan)
            filled = query.exec(
                u"WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "INSERT INTO reading SELECT %2, i, (i - 1) / %3 + 1, (i - 1) % %3, i * 200, "
                "printf('%.4f', ((i * 7919) % 20000) / 10000.0 - 1.0), 1, 0, NULL, 0 FROM n"_s
                    .arg(kReadingsPerScan)
                    .arg(scan)
                    .arg(kChannels));
        filled = filled
            && query.exec(u"UPDATE scan SET passes = %1, readings = %2, failed = 0"_s
                              .arg(kReadingsPerScan / kChannels)
                              .arg(kReadingsPerScan))
            && query.exec(u"COMMIT"_s) && query.exec(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
        if (!filled)
            fprintf(stderr, "filling failed: %s\n", qPrintable(query.lastError().text()));
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"fill"_s);
        if (!filled)
            return false;
    }
    return QFile::rename(building, path);
}

} // namespace bigstore
