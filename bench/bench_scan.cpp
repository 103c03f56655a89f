#include "CellStore.h"
#include "FakeDialogs.h"
#include "MainWindowFixture.h"
#include "PortMap.h"
#include "PtyScanner.h"
#include "QtEventPump.h"
#include "QtSerialPort.h"
#include "QtSettingsStore.h"
#include "QtTimer.h"
#include "ResultTable.h"
#include "ScanSession.h"
#include "ScannerModel.h"
#include "mdlMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;

// Fills the table with rows of readings, as a scan of days would leave it.
void fillTable(ResultTable &table, int rows)
{
    const int columns = table.cols();
    constexpr int kBlockRows = 1000;
    CellStore block(columns);
    for (int row = 1; row <= rows; ++row) {
        block.appendRow();
        const qsizetype r = block.rowCount() - 1;
        const QByteArray id = QByteArray::number(row);
        block.setAscii(r, 0, id.constData(), id.size());
        for (int c = 1; c <= kChannels; ++c) {
            const QByteArray value = ScannerModel::valueText(c - 1, quint64(row)).toLatin1();
            block.setAscii(r, c, value.constData(), value.size());
        }
        block.setAscii(r, columns - 1, "kgf/cm2", 7);
        if (block.rowCount() == kBlockRows || row == rows) {
            table.appendRows(block);
            block.reset(columns);
        }
    }
}

// A 100-channel scan through the main window on a fake port and fake timers,
// kept from one run of a benchmark to the next: filling ten million cells
// takes longer than the runs themselves.
struct FakeScan
{
    MainWindowFixture f;
    QList<QByteArray> replies;
    int channel = 0;

    explicit FakeScan(int rows)
    {
        f.start();
        f.window->findChildren<QAction *>(u"mnuChNum"_s).at(9)->trigger();
        f.window->findChild<QLineEdit *>(u"txtTerm"_s)->setText(u"0.2"_s);
        trigger(*f.window, u"mnuScanStart"_s);
        fillTable(f.window->resultTable(), rows);
        for (int c = 0; c < kChannels; ++c)
            replies << ScannerModel::replyText(c, 7);
        f.scanTimer()->fire(); // selects the first channel
        QCoreApplication::processEvents();
    }
};

std::map<qint64, std::unique_ptr<FakeScan>> &fakeScans()
{
    static std::map<qint64, std::unique_ptr<FakeScan>> scans;
    return scans;
}

// One tick with the scanner's reply handed over at once: the work the program
// does per tick, without the wait for the scanner. Arg: data rows in the table.
void tick(benchmark::State &state, bool repaint)
{
    auto &scan = fakeScans()[state.range(0)];
    if (!scan)
        scan = std::make_unique<FakeScan>(int(state.range(0)));
    MainWindowFixture &f = scan->f;
    ResultTable &table = f.window->resultTable();
    // Every run starts at a pass boundary on a table of the size asked for, not
    // on one that earlier runs have grown.
    while (scan->channel != 0) {
        f.scanTimer()->fire();
        f.port.receive(scan->replies.at(scan->channel));
        scan->channel = scan->channel == kChannels - 1 ? 0 : scan->channel + 1;
    }
    table.setRows(int(state.range(0)) + 1);
    QCoreApplication::processEvents();
    const int rowsBefore = table.rows();
    const int channelBefore = scan->channel;
    qint64 ticks = 0;
    for (auto _ : state) {
        f.scanTimer()->fire();
        f.port.receive(scan->replies.at(scan->channel));
        scan->channel = scan->channel == kChannels - 1 ? 0 : scan->channel + 1;
        ++ticks;
        if (repaint) {
            QCoreApplication::processEvents();
        } else if ((ticks & 0xff) == 0) {
            state.PauseTiming();
            QCoreApplication::processEvents();
            f.port.written.clear();
            state.ResumeTiming();
        }
    }
    // A new row at every pass, and the readings in it.
    const qint64 passesBegun = (channelBefore + ticks + kChannels - 1) / kChannels
        - (channelBefore + kChannels - 1) / kChannels;
    if (table.rows() - rowsBefore != passesBegun
        || table.text(table.rows() - 1, 1) != ScannerModel::valueText(0, 7)) {
        state.SkipWithError("the ticks did not fill the table as a scan does");
        return;
    }
    state.counters["cells"] = double(qint64(table.rows() - 1) * table.cols());
}

void BM_Tick(benchmark::State &state)
{
    tick(state, false);
}

void BM_TickWithRepaint(benchmark::State &state)
{
    tick(state, true);
}

// 98,040 rows of 102 columns: ten million cells. The median of a few runs
// stands up better to other work on the machine.
BENCHMARK(BM_Tick)->Arg(0)->Arg(98040)->MinTime(1)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickWithRepaint)
    ->Arg(0)
    ->Arg(98040)
    ->MinTime(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMicrosecond);

// The scan at its shortest term against the simulated scanner on a
// pseudo-terminal, with the real timers: how evenly the select commands reach
// the scanner. Arg: intervals measured.
void BM_SelectInterval(benchmark::State &state)
{
    const int intervals = int(state.range(0));
    for (auto _ : state) {
        QTemporaryDir dir;
        PtyScanner scanner;
        if (!scanner.start()) {
            state.SkipWithError(qPrintable(scanner.errorString()));
            return;
        }
        QtSettingsStore settings(dir.filePath(u"ROZIVODA.conf"_s));
        PortMap ports(settings);
        ports.overrideAll(scanner.devicePath());
        QtSerialPort comScan;
        QtTimerFactory timers;
        FakeDialogs dialogs;
        QtEventPump events;
        ScanSession session(comScan, timers);
        auto window = Main({ settings, ports, session, timers, dialogs, events });

        QElapsedTimer clock;
        clock.start();
        QList<qint64> selects;
        QEventLoop loop;
        QObject::connect(&scanner, &PtyScanner::bytesReceived, &loop, [&](const QByteArray &bytes) {
            if (!bytes.contains('V'))
                return;
            selects << clock.nsecsElapsed();
            if (selects.size() > intervals)
                loop.quit();
        });
        QTimer::singleShot(std::chrono::milliseconds(intervals * 200 * 2), &loop,
                           &QEventLoop::quit);
        window->findChild<QLineEdit *>(u"txtTerm"_s)->setText(u"0.2"_s);
        trigger(*window, u"mnuScanStart"_s);
        loop.exec();
        trigger(*window, u"mnuScanStop"_s);
        if (selects.size() <= intervals) {
            state.SkipWithError("the scan stalled");
            return;
        }
        double sum = 0;
        double worst = 0;
        for (int i = 1; i <= intervals; ++i) {
            const double ms = double(selects.at(i) - selects.at(i - 1)) / 1e6;
            sum += ms;
            worst = std::max(worst, std::abs(ms - 200.0));
        }
        state.counters["mean_interval_ms"] = sum / intervals;
        state.counters["worst_deviation_ms"] = worst;
        state.counters["intervals"] = intervals;
    }
}

BENCHMARK(BM_SelectInterval)->Arg(120)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fakeScans().clear();
    return 0;
}
