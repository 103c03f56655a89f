#include "FakeScanner.h"
#include "FakeTimer.h"
#include "GridLayout.h"
#include "ResultTable.h"
#include "ScanCycle.h"
#include "ScannerLink.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

// The settle check against the simulated scanner whose pressure approaches a
// channel's value with a time constant after its select, on a fake clock.
class tst_SettleCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settledReadingsAreTheChannelsValueAndSlowOnesAreMarked_data();
    void settledReadingsAreTheChannelsValueAndSlowOnesAreMarked();
    void unansweredFurtherQueryKeepsTheReplyBeforeIt();

private:
    struct Rig
    {
        FakeSerialPort port;
        FakeTimerFactory timers;
        FakeScanner scanner { port };
        ScannerLink link { port, timers };
        ResultTable table;
        ScanCycle cycle { link, timers, table };
        QList<Reading> readings;
        // The value of the channel at the query each reading answered.
        QStringList targets;

        Rig(int startCh, int endCh, const SettleCheck &check)
        {
            port.open();
            scanner.model.options().clock = [this] {
                return timers.clock;
            };
            table.setLayout(gridLayoutFor(startCh, endCh));
            cycle.setSettleCheck(check);
            QObject::connect(&cycle, &ScanCycle::readingDone, [this](const Reading &reading) {
                readings.append(reading);
                const ScannerModel &model = scanner.model;
                targets.append(ScannerModel::valueText(
                    reading.channel,
                    model.options().steadyValues ? 0 : model.queriesReceived() - 1));
            });
        }
        // Runs the fake clock on: replies come at once, timers fire when due.
        void runUntil(milliseconds end)
        {
            for (;;) {
                QCoreApplication::processEvents();
                FakeTimer *next = nullptr;
                for (const QPointer<FakeTimer> &timer : std::as_const(timers.timers)) {
                    if (timer && timer->isActive() && (!next || timer->due() < next->due()))
                        next = timer.data();
                }
                if (!next || next->due() > end)
                    break;
                next->fire();
            }
            timers.clock = std::max(timers.clock, end);
        }
    };
};

void tst_SettleCheck::settledReadingsAreTheChannelsValueAndSlowOnesAreMarked_data()
{
    QTest::addColumn<int>("termMs");
    QTest::addColumn<int>("fastMs");
    QTest::addColumn<int>("slowMs");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("maxQueries");
    QTest::newRow("term 500 ms, slow 2 s") << 500 << 20 << 2000 << 0.001 << 5;
    QTest::newRow("term 200 ms, slow 1 s") << 200 << 10 << 1000 << 0.001 << 3;
    QTest::newRow("term 1 s, slow 5 s, one further query") << 1000 << 40 << 5000 << 0.0005 << 1;
    // Fast channels that still move at the reading: some settle on a later reply.
    QTest::newRow("term 400 ms, fast 60 ms") << 400 << 60 << 3000 << 0.001 << 8;
}

void tst_SettleCheck::settledReadingsAreTheChannelsValueAndSlowOnesAreMarked()
{
    QFETCH(int, termMs);
    QFETCH(int, fastMs);
    QFETCH(int, slowMs);
    QFETCH(double, tolerance);
    QFETCH(int, maxQueries);
    const int slowChannel = 3;
    SettleCheck check;
    check.on = true;
    check.tolerance = tolerance;
    check.maxExtraQueries = maxQueries;
    Rig rig(0, 5, check);
    rig.scanner.model.options().settleTime = milliseconds(fastMs);
    // A value that moves while the check runs could meet the approach half
    // way: the channels hold still, so that only settling moves them.
    rig.scanner.model.options().steadyValues = true;
    rig.scanner.model.options().channelSettle.insert(slowChannel, milliseconds(slowMs));

    const milliseconds period(termMs);
    rig.cycle.StartPolling(0, 5, period);
    rig.runUntil(period * 6 * 4);
    rig.cycle.StopScan();

    QVERIFY(rig.readings.size() >= 18);
    int settled = 0;
    for (qsizetype i = 0; i < rig.readings.size(); ++i) {
        const Reading &reading = rig.readings.at(i);
        QVERIFY(reading.taken());
        QVERIFY(reading.settleQueries >= 1 && reading.settleQueries <= maxQueries + 1);
        const int column = reading.channel + 1;
        const double off = std::abs(reading.value.toDouble() - rig.targets.at(i).toDouble());
        if (reading.settled) {
            ++settled;
            QVERIFY2(off <= tolerance + 1e-9,
                     qPrintable(u"ch %1 stored %2, its value is %3"_s.arg(reading.channel)
                                    .arg(reading.value, rig.targets.at(i))));
            QVERIFY(!rig.table.isUnsettled(reading.pass, column));
        } else {
            QVERIFY(rig.table.isUnsettled(reading.pass, column));
            QVERIFY(!rig.table.data(rig.table.index(reading.pass - 1, column), Qt::ToolTipRole)
                         .toString()
                         .isEmpty());
        }
        if (reading.channel == slowChannel)
            QVERIFY2(
                !reading.settled,
                qPrintable(u"the slow channel was stored as settled %1 off its value"_s.arg(off)));
        QCOMPARE(rig.table.text(reading.pass, column), reading.value);
    }
    // Not all: a check that took its whole tick selects the next channel late.
    QVERIFY(settled > 0);
}

void tst_SettleCheck::unansweredFurtherQueryKeepsTheReplyBeforeIt()
{
    SettleCheck check;
    check.on = true;
    check.tolerance = 0.0001;
    check.maxExtraQueries = 3;
    Rig rig(0, 1, check);
    rig.scanner.model.options().settleTime = milliseconds(400);
    // Query 0 is the one written at start; 1 reads channel 0, 2 is its first
    // further query.
    rig.scanner.model.options().queryFaults.insert(2, ScannerModel::ReplyFault::Silent);
    const milliseconds period(500);
    rig.cycle.StartPolling(0, 1, period);
    rig.runUntil(period * 3);

    QVERIFY(!rig.readings.isEmpty());
    const Reading first = rig.readings.first();
    QVERIFY(first.taken());
    QCOMPARE(first.channel, 0);
    QVERIFY(!first.settled);
    QCOMPARE(first.settleQueries, 2);
    QVERIFY(std::isnan(first.settleSpread));
    QVERIFY(rig.table.isUnsettled(1, 1));
    // The next channel waits for the owed reply's bound instead of taking it.
    QVERIFY(rig.link.isDraining());
    rig.cycle.StopScan();
}

QTEST_GUILESS_MAIN(tst_SettleCheck)
#include "tst_settlecheck.moc"
