#include "BigStore.h"
#include "GridLayout.h"
#include "Latencies.h"
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

using namespace bigstore;

qint64 diskBytes(const QString &path)
{
    qint64 bytes = 0;
    for (const auto *suffix : { "", "-wal" })
        bytes += QFileInfo(path + QLatin1StringView(suffix)).size();
    return bytes;
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
