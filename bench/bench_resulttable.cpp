// Memory per cell and the cost of appending a row to the result table as it
// grows, with and without a view attached.

#include "AlarmFlags.h"
#include "AlarmLimits.h"
#include "CellStore.h"
#include "ResultGridView.h"
#include "ResultTable.h"

#include <QApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr int kColumns = 102;
constexpr std::array<const char *, 6> kReadings { "12.51", "-0.01234", "1.234568",
                                                  "0.5",   "-6.9875",  "101.3" };

// Fills a table with rows of typical readings until it holds at least cells.
void fill(ResultTable &table, qsizetype cells)
{
    table.setLayout(gridLayoutFor(0, kColumns - 3));
    const qsizetype rows = cells / kColumns;
    constexpr qsizetype kBlockRows = 4096;
    for (qsizetype done = 0; done < rows; done += kBlockRows) {
        CellStore block(kColumns);
        const qsizetype count = std::min(kBlockRows, rows - done);
        block.appendRows(count);
        for (qsizetype r = 0; r < count; ++r) {
            const QByteArray id = QByteArray::number(done + r + 1);
            block.setAscii(r, 0, id.constData(), id.size());
            for (int c = 1; c < kColumns - 1; ++c) {
                const char *reading = kReadings[std::size_t((r + c) % kReadings.size())];
                block.setAscii(r, c, reading, qsizetype(std::strlen(reading)));
            }
            block.setText(r, kColumns - 1, u"kgf/cm2");
        }
        table.appendRows(block);
    }
}

// Appends one row and fills it, as a pass of the scan does, cell by cell.
void appendRow(ResultTable &table)
{
    const int row = table.appendRow();
    table.setText(row, 0, QString::number(row));
    for (int c = 1; c < kColumns - 1; ++c)
        table.setText(row, c, QString::fromLatin1(kReadings[std::size_t(c % kReadings.size())]));
    table.setText(row, kColumns - 1, QStringLiteral("kgf/cm2"));
}

void BM_AppendRow(benchmark::State &state)
{
    const bool withView = state.range(1) != 0;
    ResultTable table;
    fill(table, state.range(0));
    QTableView view;
    if (withView) {
        view.setModel(&table);
        view.setColumnHidden(0, true);
        view.resize(800, 400);
    }
    for (auto _ : state) {
        appendRow(table);
        if (withView)
            view.scrollToBottom();
    }
    state.counters["cells_before"] = double(state.range(0));
    state.counters["row_cells"] = kColumns;
}
BENCHMARK(BM_AppendRow)
    ->ArgsProduct({ { 0, 1'000'000, 10'000'000 }, { 0, 1 } })
    ->ArgNames({ "cells", "view" })
    ->Unit(benchmark::kMicrosecond);

// A scan tick on the window's own grid, whose columns follow the widest
// reading: the readings' lengths vary from tick to tick, so each tick checks
// every cell against its column's widest text. Compare with BM_AppendRow/view:1.
void BM_AppendRowFittedColumns(benchmark::State &state)
{
    ResultTable table;
    fill(table, state.range(0));
    ResultGridView view(table);
    view.resize(800, 400);
    qint64 tick = 0;
    for (auto _ : state) {
        const int row = table.appendRow();
        table.setText(row, 0, QString::number(row));
        for (int c = 1; c < kColumns - 1; ++c) {
            // Now and then a reading one digit longer than any before.
            const QString reading
                = QString::number(double(tick % 1000) / 7.0, 'f', 2 + int(tick / 1000 % 6));
            table.setText(row, c, reading);
        }
        table.setText(row, kColumns - 1, QStringLiteral("kgf/cm2"));
        view.showRow(row);
        ++tick;
    }
    state.counters["cells_before"] = double(state.range(0));
    state.counters["column_width"] = view.columnWidth(1);
}
BENCHMARK(BM_AppendRowFittedColumns)
    ->Arg(0)
    ->Arg(10'000'000)
    ->ArgName("cells")
    ->Unit(benchmark::kMicrosecond);

// Loading a file's rows in blocks, with the widest text of every column found.
void BM_LoadWithWidths(benchmark::State &state)
{
    for (auto _ : state) {
        ResultTable table;
        fill(table, 10'000'000);
        benchmark::DoNotOptimize(table.widestText(1));
    }
}
BENCHMARK(BM_LoadWithWidths)->Iterations(1)->Unit(benchmark::kMillisecond);

// New alarm limits checked against every cell of a ten-million-cell table, as
// the Alarm Limits dialog's OK does; a third of the readings fall outside.
void BM_AlarmLimitsOverTable(benchmark::State &state)
{
    ResultTable table;
    fill(table, 10'000'000);
    AlarmLimits limits;
    for (int channel = 0; channel < kColumns - 2; ++channel)
        limits.setBand(channel, { 0.0, 10.0 });
    // range 0: every channel's band changes; 1: one channel's band changes.
    const bool oneChannel = state.range(0) != 0;
    AlarmLimits before = limits;
    if (oneChannel)
        before.setBand(5, { 1.0, 10.0 });
    for (auto _ : state)
        AlarmFlags::apply(table, limits, oneChannel ? &before : nullptr);
}
BENCHMARK(BM_AlarmLimitsOverTable)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("one_channel")
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_BytesPerCell(benchmark::State &state)
{
    for (auto _ : state) {
        ResultTable table;
        fill(table, 10'000'000);
        const double cells = double(qsizetype(table.rows() - 1) * table.cols());
        state.counters["cells"] = cells;
        state.counters["bytes_per_cell"] = double(table.memoryUsage()) / cells;
    }
}
BENCHMARK(BM_BytesPerCell)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
