#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanTableBuilder.h"
#include "SqliteScanRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 20;
constexpr int kScans = 10;
constexpr qint64 kReadingsPerScan = 1'000'000;

// On the disk the record lives on (not a tmpfs), so that flushes cost what
// they cost at home; kept between runs, as filling it takes a while.
QString bigStorePath()
{
    return u"/var/tmp/rozivoda-bench-store-10M.sqlite"_s;
}

Reading benchReading(qint64 n)
{
    Reading reading;
    reading.pass = int(n / kChannels) + 1;
    reading.channel = int(n % kChannels);
    reading.time = QDateTime::currentDateTimeUtc();
    reading.value = QString::number(double((n * 7919) % 20000) / 10000.0 - 1.0, 'f', 4);
    reading.unit = u"kgf/cm2"_s;
    return reading;
}

qint64 diskBytes(const QString &path)
{
    qint64 bytes = 0;
    for (const auto *suffix : { "", "-wal" })
        bytes += QFileInfo(path + QLatin1StringView(suffix)).size();
    return bytes;
}

// Ten scans of a million readings each (20 channels, 50,000 passes), written
// in one transaction straight through SQL in the record's own schema.
bool makeBigStore(const QString &path)
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

void reportLatencies(benchmark::State &state, std::vector<double> &micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    const auto at = [&micros](double share) {
        return micros[std::min(micros.size() - 1, std::size_t(share * double(micros.size())))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["p999_us"] = at(0.999);
    state.counters["max_us"] = micros.back();
}

// One addReading, committed, at an empty store (arg 0 = 0) or with ten million
// readings stored (1); arg 1 picks the durability (0 NORMAL, 1 FULL).
void BM_AddReading(benchmark::State &state)
{
    const bool big = state.range(0) != 0;
    const auto durability = state.range(1) != 0 ? SqliteScanRecord::Durability::PowerLoss
                                                : SqliteScanRecord::Durability::Process;
    QTemporaryDir dir(u"/var/tmp/rozivoda-bench-XXXXXX"_s);
    QString path = dir.filePath(u"scans.sqlite"_s);
    if (big) {
        if (!makeBigStore(bigStorePath())) {
            state.SkipWithError("cannot build the big store");
            return;
        }
        path = bigStorePath();
    }
    qint64 scan = -1;
    std::vector<double> micros;
    {
        SqliteScanRecord record(path);
        if (!record.open(durability)) {
            state.SkipWithError(qPrintable(record.errorString()));
            return;
        }
        ScanInfo info;
        info.portName = u"com1"_s;
        info.endChannel = kChannels - 1;
        scan = record.beginScan(info);
        qint64 n = 0;
        QElapsedTimer timer;
        for (auto _ : state) {
            const Reading reading = benchReading(n++);
            timer.start();
            if (!record.addReading(reading)) {
                state.SkipWithError(qPrintable(record.errorString()));
                break;
            }
            micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        }
        record.endScan();
        // The big store stays as it was for the next run.
        if (big)
            record.deleteScan(scan);
    }
    reportLatencies(state, micros);
}
BENCHMARK(BM_AddReading)
    ->ArgsProduct({ { 0, 1 }, { 0, 1 } })
    ->Iterations(20000)
    ->Unit(benchmark::kMicrosecond);

// Bytes on disk per reading, written one at a time as a scan writes them.
void BM_BytesPerReading(benchmark::State &state)
{
    constexpr qint64 kReadings = 200'000;
    for (auto _ : state) {
        QTemporaryDir dir(u"/var/tmp/rozivoda-bench-XXXXXX"_s);
        const QString path = dir.filePath(u"scans.sqlite"_s);
        {
            SqliteScanRecord record(path);
            record.open();
            ScanInfo info;
            info.endChannel = kChannels - 1;
            record.beginScan(info);
            for (qint64 n = 0; n < kReadings; ++n)
                record.addReading(benchReading(n));
            record.endScan();
        }
        state.counters["bytes_per_reading"] = double(diskBytes(path)) / double(kReadings);
    }
    if (makeBigStore(bigStorePath()))
        state.counters["bytes_per_reading_10M"]
            = double(diskBytes(bigStorePath())) / double(kScans * kReadingsPerScan);
}
BENCHMARK(BM_BytesPerReading)->Iterations(1)->Unit(benchmark::kSecond);

// Restoring a million-reading scan into a table, as the history's Open does.
void BM_RestoreMillion(benchmark::State &state)
{
    if (!makeBigStore(bigStorePath())) {
        state.SkipWithError("cannot build the big store");
        return;
    }
    SqliteScanRecord record(bigStorePath());
    if (!record.open()) {
        state.SkipWithError(qPrintable(record.errorString()));
        return;
    }
    const qint64 id = record.listScans().last().id;
    for (auto _ : state) {
        ResultTable table;
        if (!restoreScan(record, id, table)) {
            state.SkipWithError(qPrintable(record.errorString()));
            break;
        }
        benchmark::DoNotOptimize(table.rows());
        state.counters["rows"] = table.rows() - 1;
    }
}
BENCHMARK(BM_RestoreMillion)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
