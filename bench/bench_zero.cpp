// What a zero adds to a tick: a reading of a 100-channel scan taken by the
// live data and shown in the readouts, as read and with a zero active, and
// the trend of a channel read for a plot, as read and zeroed.

#include "GridLayout.h"
#include "LiveData.h"
#include "ResultTable.h"
#include "ZeroHistory.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kChannels = 100;
constexpr int kTrendPasses = 100'000;

ZeroHistory zeroOfEveryChannel()
{
    ZeroSet set;
    set.firstPass = 1;
    set.takenAt = QDateTime::currentDateTimeUtc();
    for (int channel = 1; channel <= kChannels; ++channel)
        set.offsets.insert(channel, *DecimalValue::fromText(u"0.0%1"_s.arg(channel % 10)));
    ZeroHistory history;
    history.add(set);
    return history;
}

QString valueText(qint64 pass, int channel)
{
    return QString::number(channel + 0.001 * double(pass % 997), 'f', 3);
}

// range(0): 0 as read, 1 with a zero active.
void BM_TickReading(benchmark::State &state)
{
    const bool zeroed = state.range(0) != 0;
    const ZeroHistory zero = zeroOfEveryChannel();
    ResultTable table;
    table.setLayout(gridLayoutFor(1, kChannels));
    LiveData data;
    data.attachTable(&table);
    data.reset(1, kChannels, std::chrono::milliseconds(200));
    data.setZero(zeroed ? &zero : nullptr);
    Reading reading;
    reading.unit = u"kgf/cm2"_s;
    qint64 pass = 1;
    int channel = 1;
    QString shown;
    for (auto _ : state) {
        reading.pass = int(pass);
        reading.channel = channel;
        reading.value = valueText(pass, channel);
        reading.time = QDateTime::fromMSecsSinceEpoch(pass * 20'000 + channel * 200, Qt::UTC);
        if (channel == 1) {
            table.setText(table.appendRow(), 0, QString::number(pass));
            table.setRowTime(int(pass), reading.time);
        }
        table.setText(int(pass), channel, reading.value);
        data.addReading(reading);
        // What the readouts show.
        shown = zeroed ? zero.zeroed(reading.pass, reading.channel, reading.value) : reading.value;
        benchmark::DoNotOptimize(shown);
        if (++channel > kChannels) {
            channel = 1;
            ++pass;
        }
    }
}
BENCHMARK(BM_TickReading)->Arg(0)->Arg(1)->ArgName("zeroed")->Unit(benchmark::kMicrosecond);

void BM_TrendPoints(benchmark::State &state)
{
    const bool zeroed = state.range(0) != 0;
    const ZeroHistory zero = zeroOfEveryChannel();
    ResultTable table;
    table.setLayout(gridLayoutFor(1, 1));
    LiveData data;
    data.attachTable(&table);
    data.reset(1, 1, std::chrono::milliseconds(200));
    data.setZero(zeroed ? &zero : nullptr);
    Reading reading;
    reading.unit = u"kgf/cm2"_s;
    reading.channel = 1;
    for (int pass = 1; pass <= kTrendPasses; ++pass) {
        reading.pass = pass;
        reading.value = valueText(pass, 1);
        reading.time = QDateTime::fromMSecsSinceEpoch(qint64(pass) * 200, Qt::UTC);
        table.setText(table.appendRow(), 0, QString::number(pass));
        table.setRowTime(pass, reading.time);
        table.setText(pass, 1, reading.value);
        data.addReading(reading);
    }
    std::vector<TrendPoint> points;
    for (auto _ : state) {
        // A plot 1000 pixels wide over the last 1000 passes: every point read.
        data.trendPoints(1, (kTrendPasses - 1000) * 0.2, kTrendPasses * 0.2, 1000, &points);
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["points"] = double(points.size());
}
BENCHMARK(BM_TrendPoints)->Arg(0)->Arg(1)->ArgName("zeroed")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
