#include "CellStore.h"
#include "ResultFileReader.h"
#include "ResultFileWriter.h"
#include "ResultTable.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;

// Readings as the scanner gives them: 4 to 7 significant digits around a few
// typical magnitudes.
std::vector<std::string> typicalReadings()
{
    std::mt19937 random(7);
    const double bases[] = { 12.51, -0.01234, 1.234568, 3.5, -101.25 };
    std::vector<std::string> readings;
    for (int i = 0; i < 4096; ++i) {
        const double value = bases[i % 5] * (1.0 + (int(random() % 2001) - 1000) / 1e4);
        char text[32];
        std::snprintf(text, sizeof text, "%.*g", 4 + int(random() % 4), value);
        readings.emplace_back(text);
    }
    return readings;
}

void fillTable(ResultTable &table, int rows)
{
    table.setLayout(gridLayoutFor(0, kChannels - 1));
    table.setRows(1);
    const auto readings = typicalReadings();
    const int columns = table.cols();
    CellStore block(columns);
    std::size_t next = 0;
    for (int row = 1; row <= rows; ++row) {
        block.appendRow();
        const qsizetype r = block.rowCount() - 1;
        const std::string id = std::to_string(row);
        block.setAscii(r, 0, id.data(), qsizetype(id.size()));
        for (int c = 1; c <= kChannels; ++c) {
            const std::string &reading = readings[next++ % readings.size()];
            block.setAscii(r, c, reading.data(), qsizetype(reading.size()));
        }
        block.setAscii(r, columns - 1, "kgf/cm2", 7);
        if (block.rowCount() == 1000 || row == rows) {
            table.appendRows(block);
            block.reset(columns);
        }
    }
}

const ResultTable &sampleTable(int rows)
{
    static std::map<int, std::unique_ptr<ResultTable>> tables;
    auto &table = tables[rows];
    if (!table) {
        table = std::make_unique<ResultTable>();
        fillTable(*table, rows);
    }
    return *table;
}

QString sampleFile(int rows)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"rows%1.txt"_s.arg(rows));
    if (!QFile::exists(path)) {
        ResultFileWriter writer;
        writer.write(path, sampleTable(rows));
    }
    return path;
}

long statusKiB(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    }
    return 0;
}

// Lets VmHWM start again from the present resident size.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_Write(benchmark::State &state)
{
    const ResultTable &table = sampleTable(int(state.range(0)));
    QByteArray out;
    for (auto _ : state) {
        out.resize(0);
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        ResultFileWriter writer;
        if (!writer.write(&buffer, table))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(qint64(state.iterations()) * out.size());
    state.counters["file_MB"] = double(out.size()) / 1e6;
}

void BM_WriteFile(benchmark::State &state)
{
    const ResultTable &table = sampleTable(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.txt"_s);
    for (auto _ : state) {
        ResultFileWriter writer;
        if (!writer.write(path, table))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(qint64(state.iterations()) * QFileInfo(path).size());
}

void BM_Read(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const QString path = sampleFile(rows);
    const qint64 size = QFileInfo(path).size();
    double cells = 0;
    double tableBytes = 0;
    double peakBytes = 0;
    double longestGapMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const long before = statusKiB("VmRSS:");
        state.ResumeTiming();
        {
            ResultTable table;
            ResultFileReader reader(table);
            QElapsedTimer sinceProgress;
            sinceProgress.start();
            reader.setProgressHandler([&](qint64, qint64) {
                longestGapMs = std::max(longestGapMs, double(sinceProgress.nsecsElapsed()) / 1e6);
                sinceProgress.restart();
                return true;
            });
            if (reader.read(path) != ResultFileReader::Outcome::Loaded)
                state.SkipWithError("read failed");
            state.PauseTiming();
            cells = double(table.rows() - 1) * table.cols();
            tableBytes = double(table.memoryUsage());
            peakBytes = double(statusKiB("VmHWM:") - before) * 1024.0;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(qint64(state.iterations()) * size);
    state.counters["file_MB"] = double(size) / 1e6;
    state.counters["bytes_per_cell"] = tableBytes / cells;
    state.counters["table_MB"] = tableBytes / 1e6;
    state.counters["peak_load_MB"] = peakBytes / 1e6;
    state.counters["peak_over_table"] = peakBytes / tableBytes;
    state.counters["progress_gap_max_ms"] = longestGapMs;
}

// A corrupt file of one endless field, opened over a loaded table: how soon it
// is rejected and what it costs beyond the table that stays.
void BM_RejectOneHugeField(benchmark::State &state)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"huge-field.txt"_s);
    const qint64 size = state.range(0) << 20;
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("\"VESTRA-IP Scanning Pressure Data\"\r\n\"ID\",\"Unit\"\r\n");
        const QByteArray digits(1 << 20, '7');
        for (qint64 written = 0; written < size; written += digits.size())
            file.write(digits);
    }
    ResultTable table;
    fillTable(table, 30000);
    double peakBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const long before = statusKiB("VmRSS:");
        state.ResumeTiming();
        ResultFileReader reader(table);
        if (reader.read(path) != ResultFileReader::Outcome::Rejected)
            state.SkipWithError("not rejected");
        state.PauseTiming();
        peakBytes = double(statusKiB("VmHWM:") - before) * 1024.0;
        state.ResumeTiming();
    }
    state.counters["extra_peak_MB"] = peakBytes / 1e6;
    state.counters["table_MB"] = double(table.memoryUsage()) / 1e6;
}

} // namespace

BENCHMARK(BM_Write)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFile)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RejectOneHugeField)->Arg(256)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
