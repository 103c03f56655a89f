// The live view's cost per tick at 100 channels with ten plotted channels of a
// million points each, a full replot after a zoom, the trend's bytes per point,
// and memory and tick cost over a ten-million-reading scan. Offscreen.

#include "CellStore.h"
#include "Dialogs.h"
#include "GridLayout.h"
#include "LiveData.h"
#include "MemorySettings.h"
#include "OverviewPlot.h"
#include "ResultTable.h"
#include "SettingsStore.h"
#include "TrendPlot.h"
#include "frmLiveView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;
constexpr int kPlotted = 10;
// LIVEVIEW_BENCH_POINTS makes a smaller run for profiling.
const qsizetype kPointsPerPlotted = qEnvironmentVariableIsSet("LIVEVIEW_BENCH_POINTS")
    ? qEnvironmentVariableIntValue("LIVEVIEW_BENCH_POINTS")
    : 1'000'000;

class NoDialogs : public Dialogs
{
public:
    QMessageBox::StandardButton message(QMessageBox::Icon, const QString &, const QString &,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override
    {
        return QMessageBox::Ok;
    }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
};

double residentMegabytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// A scan in progress: the reading for channel at pass, a quarter second apart,
// written to the table as the scan writes it before the live data gets it.
struct Scan
{
    qint64 startMs = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();
    Reading reading;
    ResultTable table;

    Scan() { table.setLayout(gridLayoutFor(1, kChannels)); }

    const Reading &at(qint64 pass, int channel)
    {
        reading.pass = int(pass);
        reading.channel = channel;
        reading.time
            = QDateTime::fromMSecsSinceEpoch(startMs + pass * 25'000 + channel * 250, Qt::UTC);
        reading.value = QString::number(channel + 0.001 * double(pass % 997), 'f', 3);
        reading.unit = u"kgf/cm2"_s;
        while (table.rows() <= pass)
            table.setText(table.appendRow(), 0, QString::number(table.rows() - 1));
        table.setText(int(pass), channel, reading.value);
        table.setText(int(pass), kChannels + 1, reading.unit);
        if (!table.rowTime(int(pass)).isValid())
            table.setRowTime(int(pass), reading.time);
        return reading;
    }
};

// One live view over 100 channels whose first ten hold a million points each.
struct Fixture
{
    LiveData data;
    MemorySettings settings;
    NoDialogs dialogs;
    std::unique_ptr<frmLiveView> window;
    Scan scan;
    qint64 pass = 0;
    int channel = 1;

    Fixture()
    {
        data.attachTable(&scan.table);
        data.reset(1, kChannels, std::chrono::milliseconds(250));
        for (pass = 1; pass <= kPointsPerPlotted; ++pass)
            for (int c = 1; c <= kPlotted; ++c)
                data.addReading(scan.at(pass, c));
        window = std::make_unique<frmLiveView>(data, settings, dialogs);
        QList<int> plotted;
        for (int c = 1; c <= kPlotted; ++c)
            plotted << c;
        window->setTrendChannels(plotted);
        window->resize(1200, 700);
        window->show();
        QApplication::processEvents();
    }

    // One reading, then whatever the window draws for it.
    void tick()
    {
        data.setCurrentChannel(channel);
        data.addReading(scan.at(pass, channel));
        if (++channel > kChannels) {
            channel = 1;
            ++pass;
        }
        QApplication::processEvents();
    }
};

Fixture &fixture()
{
    // Never destroyed: its window must not outlive the application object.
    static Fixture *instance = new Fixture;
    return *instance;
}

// A tick as the scan delivers it: the data, the plots' data and the health row
// updated; the window redraws when its redraw interval has passed.
void BM_Tick(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window->setTab(frmLiveView::Tab(state.range(0)));
    f.window->trendPlot()->autoscale();
    QApplication::processEvents();
    for (auto _ : state)
        f.tick();
    state.counters["trend_points_held"] = double(f.window->trendPlot()->pointsHeld());
}
BENCHMARK(BM_Tick)
    ->ArgName("tab")
    ->Arg(frmLiveView::OverviewTab)
    ->Arg(frmLiveView::TrendTab)
    ->Arg(frmLiveView::HealthTab)
    ->MinTime(2)
    ->Unit(benchmark::kMicrosecond);

// A tick drawn at once on the shown pane: the cost of one redraw.
void BM_TickAndRedraw(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window->setTab(frmLiveView::Tab(state.range(0)));
    f.window->trendPlot()->autoscale();
    QApplication::processEvents();
    for (auto _ : state) {
        f.tick();
        f.window->replotNow();
    }
}
BENCHMARK(BM_TickAndRedraw)
    ->ArgName("tab")
    ->Arg(frmLiveView::OverviewTab)
    ->Arg(frmLiveView::TrendTab)
    ->Arg(frmLiveView::HealthTab)
    ->MinTime(2)
    ->Unit(benchmark::kMicrosecond);

// The worst case: every pane redrawn at every tick, as if all were on screen.
void BM_TickAllPanesRedrawn(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window->trendPlot()->autoscale();
    for (auto _ : state) {
        f.tick();
        for (int tab = 0; tab < 3; ++tab) {
            f.window->setTab(frmLiveView::Tab(tab));
            f.window->replotNow();
        }
    }
}
BENCHMARK(BM_TickAllPanesRedrawn)->MinTime(2)->Unit(benchmark::kMicrosecond);

void BM_ReplotAfterZoom(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window->setTab(frmLiveView::TrendTab);
    QApplication::processEvents();
    TrendPlot *plot = f.window->trendPlot();
    double first = 0;
    double last = 0;
    f.data.trendKeys(1, &first, &last);
    const double span = last - first;
    // Zoomed in on a tenth, the whole scan, the first third, a hundredth: each a reload.
    const double views[][2] = { { 0.45, 0.55 }, { 0.0, 1.0 }, { 0.0, 0.33 }, { 0.7, 0.71 } };
    std::size_t view = 0;
    for (auto _ : state) {
        plot->showRange(first + span * views[view][0], first + span * views[view][1]);
        plot->replot();
        view = (view + 1) % std::size(views);
    }
    state.counters["plotted_points"] = double(kPlotted) * double(f.data.trendSize(1));
    plot->autoscale();
}
BENCHMARK(BM_ReplotAfterZoom)->MinTime(2)->Unit(benchmark::kMillisecond);

void BM_TrendBytesPerPoint(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.data.trendBytes());
    qsizetype points = 0;
    for (int c = 1; c <= kChannels; ++c)
        points += f.data.trendSize(c);
    // Beside the table, which holds the values (8 bytes a cell).
    state.counters["trend_bytes_per_point"] = double(f.data.trendBytes()) / double(points);
}
BENCHMARK(BM_TrendBytesPerPoint)->Iterations(1);

// Ten million readings over 100 channels into a fresh live view following ten
// channels: resident memory and time per reading, per million.
void BM_TenMillionReadings(benchmark::State &state)
{
    for (auto _ : state) {
        LiveData data;
        MemorySettings settings;
        NoDialogs dialogs;
        frmLiveView window(data, settings, dialogs);
        Scan scan;
        data.attachTable(&scan.table);
        data.reset(1, kChannels, std::chrono::milliseconds(250));
        QList<int> plotted;
        for (int c = 1; c <= kPlotted; ++c)
            plotted << c;
        window.setTrendChannels(plotted);
        window.setTab(frmLiveView::TrendTab);
        window.resize(1200, 700);
        window.show();
        const double rssBefore = residentMegabytes();
        QElapsedTimer timer;
        qint64 readings = 0;
        for (int million = 1; million <= 10; ++million) {
            timer.start();
            for (int i = 0; i < 1'000'000; ++i, ++readings) {
                data.addReading(scan.at(readings / kChannels + 1, int(readings % kChannels) + 1));
                // Drawn now and then: the drawing's cost is measured above.
                if (i % 1000 == 0)
                    QApplication::processEvents();
            }
            const double nsPerReading = double(timer.nsecsElapsed()) / 1e6;
            if (million == 1 || million == 10) {
                const std::string at = million == 1 ? "_1M" : "_10M";
                state.counters["ns_per_reading" + at] = nsPerReading;
                state.counters["rss_MB" + at] = residentMegabytes() - rssBefore;
                state.counters["trend_MB" + at] = double(data.trendBytes()) / 1e6;
            }
        }
        // Table included: the scan's cells are the only copy of its values.
        state.counters["rss_bytes_per_reading"]
            = (residentMegabytes() - rssBefore) * 1e6 / double(readings);
        state.counters["table_bytes_per_reading"]
            = double(scan.table.memoryUsage()) / double(readings);
        state.counters["plot_points_held"] = double(window.trendPlot()->pointsHeld());
    }
}
BENCHMARK(BM_TenMillionReadings)->Iterations(1)->Unit(benchmark::kSecond);

// A table opened from a file, 10,000 passes of 100 channels: what Open does for
// the live view (loadFromTable), and what it does when first shown (loadPending).
void BM_LoadFromTable(benchmark::State &state)
{
    ResultTable table;
    table.setLayout(gridLayoutFor(1, kChannels));
    const int columns = table.cols();
    CellStore block(columns);
    constexpr int kRows = 10'000;
    block.appendRows(kRows);
    for (int r = 0; r < kRows; ++r) {
        const QByteArray id = QByteArray::number(r + 1);
        block.setAscii(r, 0, id.constData(), id.size());
        for (int c = 1; c < columns - 1; ++c) {
            const QByteArray value = QByteArray::number(c + 0.001 * (r % 997), 'f', 3);
            block.setAscii(r, c, value.constData(), value.size());
        }
        block.setText(r, columns - 1, u"kgf/cm2");
    }
    table.appendRows(block);
    LiveData data;
    const bool atShow = state.range(0) == 1;
    for (auto _ : state) {
        if (atShow) {
            state.PauseTiming();
            data.loadFromTable(table);
            state.ResumeTiming();
            data.loadPending();
        } else {
            data.loadFromTable(table);
        }
    }
    state.counters["cells"] = double(kRows) * kChannels;
    state.counters["ns_per_cell"] = benchmark::Counter(double(kRows) * kChannels,
                                                       benchmark::Counter::kIsIterationInvariantRate
                                                           | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadFromTable)->ArgName("first_shown")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
