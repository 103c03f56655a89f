#include "FakeSerialPort.h"
#include "FakeTimer.h"
#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanCycle.h"
#include "ScannerLink.h"
#include "ScannerModel.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

namespace {

constexpr int kLastChannel = 99;

// A 100-channel scan of the cycle and the link on a fake port and clock, the
// scanner's replies handed over as soon as the write that asked for them has
// returned. One iteration is one tick: the reading, its further queries when
// the settle check is on, and the next select.
struct SettleScan
{
    FakeSerialPort port;
    FakeTimerFactory timers;
    ScannerModel model;
    ScannerLink link { port, timers };
    ResultTable table;
    ScanCycle cycle { link, timers, table };
    QByteArray pending;

    // mode 0: off; 1: on, every channel settled at the first further query;
    // 2: on, every channel still moving, so all further queries are made.
    explicit SettleScan(int mode)
    {
        port.open();
        port.onWrite = [this](const QByteArray &bytes) {
            for (const ScannerModel::Action &action : model.receive(bytes))
                pending += action.bytes;
        };
        model.options().clock = [this] {
            return timers.clock;
        };
        if (mode == 2)
            model.options().settleTime = milliseconds(100000);
        table.setLayout(gridLayoutFor(0, kLastChannel));
        SettleCheck check;
        check.on = mode > 0;
        check.tolerance = 0.0001;
        check.maxExtraQueries = 3;
        cycle.setSettleCheck(check);
        cycle.StartPolling(0, kLastChannel, milliseconds(500));
        deliver();
        tick();
    }
    void deliver()
    {
        if (!pending.isEmpty())
            port.receive(std::exchange(pending, {}));
    }
    void tick()
    {
        static_cast<FakeTimer &>(cycle.timer()).fire();
        deliver();
        while (FakeTimer *settle = timers.named(u"settleTimer"_s)) {
            if (!settle->isActive())
                break;
            settle->fire();
            deliver();
        }
    }
};

void BM_ScanTick(benchmark::State &state)
{
    SettleScan scan(int(state.range(0)));
    const quint64 queriesBefore = scan.model.queriesReceived();
    qint64 ticks = 0;
    for (auto _ : state) {
        scan.tick();
        ++ticks;
    }
    state.counters["queries/tick"]
        = double(scan.model.queriesReceived() - queriesBefore) / double(std::max<qint64>(ticks, 1));
    state.SetLabel(state.range(0) == 0       ? "settle check off"
                       : state.range(0) == 1 ? "on, settled at the first further query"
                                             : "on, never settles (3 further queries)");
}
BENCHMARK(BM_ScanTick)->Arg(0)->Arg(1)->Arg(2);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(u"rozivoda.*=false"_s);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
