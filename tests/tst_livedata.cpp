#include "AlarmLimits.h"
#include "ChannelHealthModel.h"
#include "DecimalValue.h"
#include "GridLayout.h"
#include "LiveData.h"
#include "MemorySettings.h"
#include "ResultTable.h"
#include "SettingsStore.h"
#include "ZeroHistory.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QHash>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);

Reading taken(int pass, int channel, const QString &value, const QString &unit = u"kgf/cm2"_s)
{
    Reading reading;
    reading.pass = pass;
    reading.channel = channel;
    reading.time = kStart.addMSecs(qint64(pass) * 1000 + channel);
    reading.value = value;
    reading.unit = unit;
    return reading;
}

Reading failed(int pass, int channel, Reading::Status status, bool givenUp)
{
    Reading reading = taken(pass, channel, {}, {});
    reading.status = status;
    reading.givenUp = givenUp;
    reading.raw = "?E";
    return reading;
}

// A table laid out for first..last with enough rows for the passes.
void layOut(ResultTable &table, int first, int last, int passes)
{
    table.setLayout(gridLayoutFor(first, last));
    table.setRows(passes + 1);
    for (int row = 1; row <= passes; ++row)
        table.setText(row, 0, QString::number(row));
}

// What the scan does with a reading: its cell and its pass's time in the
// table, then the reading to the live data.
void feed(ResultTable &table, LiveData &data, const Reading &reading)
{
    while (table.rows() <= reading.pass)
        table.setText(table.appendRow(), 0, QString::number(table.rows() - 1));
    if (reading.taken()) {
        table.setText(reading.pass, reading.channel - data.firstChannel() + 1, reading.value);
        table.setText(reading.pass, table.cols() - 1, reading.unit);
    }
    if (!table.rowTime(reading.pass).isValid())
        table.setRowTime(reading.pass, reading.time);
    data.addReading(reading);
}

} // namespace

class tst_LiveData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void healthFigures();
    void failingChannelsAreCountedAndRecover();
    void marks_data();
    void marks();
    void limitsPersistAndRestore();
    void tableLoadUsesPassAxis();
    void trendKeepsSpikesAndTimes();
    void newLimitsKeepTheScan();
    void healthModelStaysConsistent();
    void zeroShiftsFromItsPassAndRestartsFigures();
    void settleFiguresCountAndTypicalTime();
};

// The trend keeps the passes before the zero as read; the figures restart at
// the zero so that none mixes zeroed and raw values.
void tst_LiveData::zeroShiftsFromItsPassAndRestartsFigures()
{
    ResultTable table;
    layOut(table, 1, 2, 0);
    LiveData data;
    data.attachTable(&table);
    data.reset(1, 2);
    ZeroHistory zero;
    data.setZero(&zero);
    feed(table, data, taken(1, 1, u"10.5"_s));
    feed(table, data, taken(1, 2, u"3"_s));
    ZeroSet set;
    set.firstPass = 2;
    set.takenAt = kStart;
    set.offsets.insert(1, *DecimalValue::fromText(u"0.25"_s));
    zero.add(set);
    data.setZero(&zero);
    QCOMPARE(data.health(1).lastText, u"10.25 kgf/cm2"_s); // the zero in force now
    QVERIFY(std::isnan(data.health(1).mean));
    QVERIFY(data.statusSummary().startsWith(u"Values zeroed at "_s));
    feed(table, data, taken(2, 1, u"10.5"_s));
    feed(table, data, taken(2, 2, u"3"_s));
    QCOMPARE(data.health(1).lastText, u"10.25 kgf/cm2"_s);
    QCOMPARE(data.health(1).mean, 10.25);
    QCOMPARE(data.health(2).last, 3.0); // no offset for channel 2
    std::vector<TrendPoint> points;
    data.trendPoints(1, qQNaN(), qQNaN(), 100, &points);
    QCOMPARE(points.size(), std::size_t(2));
    QCOMPARE(points[0].value, 10.5);
    QCOMPARE(points[1].value, 10.25);
}

void tst_LiveData::healthFigures()
{
    ResultTable table;
    layOut(table, 1, 3, 0);
    LiveData data;
    data.attachTable(&table);
    data.reset(1, 3);
    // Channel 1 reads 2, 4, 4, 4, 5, 5, 7, 9: mean 5, sample deviation sqrt(32/7).
    const QStringList values { u"2"_s, u"4"_s, u"4"_s, u"4"_s, u"5"_s, u"5"_s, u"7"_s, u"9"_s };
    for (int pass = 1; pass <= values.size(); ++pass) {
        feed(table, data, taken(pass, 1, values.at(pass - 1)));
        feed(table, data, taken(pass, 2, u"1.5"_s));
    }
    const ChannelHealth &one = data.health(1);
    QCOMPARE(one.taken, 8);
    QCOMPARE(one.last, 9.0);
    QCOMPARE(one.min, 2.0);
    QCOMPARE(one.max, 9.0);
    QCOMPARE(one.mean, 5.0);
    QVERIFY(qFuzzyCompare(one.stdDev(), std::sqrt(32.0 / 7.0)));
    QCOMPARE(data.health(2).stdDev(), 0.0);
    QVERIFY(std::isnan(data.health(3).mean));
    QCOMPARE(data.trendSize(1), 8);
    double first = 0;
    double last = 0;
    QVERIFY(data.trendKeys(1, &first, &last));
    QCOMPARE(first, double(kStart.toMSecsSinceEpoch() + 1001) / 1000.0);
    TrendPoint latest {};
    QVERIFY(data.latestPoint(1, &latest));
    QCOMPARE(latest.value, 9.0);
    QCOMPARE(latest.key, double(kStart.toMSecsSinceEpoch() + 8001) / 1000.0);
    QCOMPARE(data.axis(), LiveData::Axis::Time);
    QCOMPARE(data.statusSummary(), QString());
    // Out of range and manual readings change nothing.
    data.addReading(taken(9, 4, u"1"_s));
    data.addReading(taken(0, 1, u"100"_s));
    QCOMPARE(data.readings(), 16);
}

void tst_LiveData::failingChannelsAreCountedAndRecover()
{
    LiveData data;
    QSignalSpy summaries(&data, &LiveData::statusSummaryChanged);
    data.reset(1, 3);
    data.addReading(taken(1, 1, u"1"_s));
    data.addReading(failed(1, 2, Reading::Status::NoReply, false));
    data.addReading(failed(1, 3, Reading::Status::Unreadable, true));
    QCOMPARE(data.failingChannels(), 2);
    QCOMPARE(data.statusSummary(), u"2 channels failing; see Live View"_s);
    const ChannelHealth &three = data.health(3);
    QCOMPARE(three.failed, 1);
    QCOMPARE(three.givenUp, 1);
    QCOMPARE(three.lastFailure, u"unreadable reply: %3FE (given up)"_s);
    QCOMPARE(three.lastFailureTime, kStart.addMSecs(1003));

    data.addReading(taken(2, 2, u"1"_s));
    QCOMPARE(data.failingChannels(), 1);
    QCOMPARE(data.statusSummary(), u"1 channel failing; see Live View"_s);
    QCOMPARE(data.health(2).failed, 1);
    QCOMPARE(data.health(2).taken, 1);
    data.addReading(taken(2, 3, u"1"_s));
    QCOMPARE(data.statusSummary(), QString());
    // Empty, two failing, one failing, empty: each change once.
    QCOMPARE(summaries.size(), 4);
}

void tst_LiveData::marks_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("summary");
    QTest::newRow("inside") << u"5"_s << u"kgf/cm2"_s << QString() << QString();
    QTest::newRow("on the high limit") << u"10"_s << u"kgf/cm2"_s << QString() << QString();
    QTest::newRow("above") << u"10.5"_s << u"kgf/cm2"_s << u"10.5 above the high limit 10"_s
                           << u"1 reading outside its alarm limits; see Live View"_s;
    QTest::newRow("below") << u"-0.25"_s << u"kgf/cm2"_s << u"-0.25 below the low limit 0"_s
                           << u"1 reading outside its alarm limits; see Live View"_s;
    // Another unit is not compared with limits in the scan's unit.
    QTest::newRow("other unit") << u"500"_s << u"kPa"_s << u"unit kPa, scan started in kgf/cm2"_s
                                << u"1 reading in another unit; see Live View"_s;
}

void tst_LiveData::marks()
{
    QFETCH(QString, value);
    QFETCH(QString, unit);
    QFETCH(QString, tip);
    QFETCH(QString, summary);

    ResultTable table;
    layOut(table, 4, 5, 2);
    LiveData data;
    data.attachTable(&table);
    AlarmLimits limits;
    limits.setBand(5, { 0.0, 10.0 });
    data.setAlarmLimits(limits);
    data.reset(4, 5);
    data.addReading(taken(1, 4, u"1"_s));
    data.addReading(taken(2, 5, value, unit));

    // Pass 2, channel 5: row 2, the second channel column.
    QCOMPARE(table.isFlagged(2, 2), !tip.isEmpty());
    QCOMPARE(table.flagTip(2, 2), tip);
    QCOMPARE(table.data(table.index(1, 2), Qt::ToolTipRole).toString(), tip);
    QCOMPARE(table.isFlagged(1, 1), false);
    QCOMPARE(data.statusSummary(), summary);
    const ChannelHealth &health = data.health(5);
    QCOMPARE(health.unitChanges, unit == u"kPa"_s ? 1 : 0);
    QCOMPARE(health.alarms(), tip.contains(u"limit"_s) ? 1 : 0);
    // Never on the same axis as the scan's unit.
    QCOMPARE(data.trendSize(5), unit == u"kPa"_s ? 0 : 1);

    // The given-up mark keeps its colour and both tips show.
    table.markCell(2, 2, u"no reply"_s);
    QCOMPARE(table.data(table.index(1, 2), Qt::BackgroundRole).value<QBrush>().color(),
             QColor(255, 214, 214));
    data.reset(4, 5);
    QCOMPARE(table.isFlagged(2, 2), false);
}

void tst_LiveData::limitsPersistAndRestore()
{
    MemorySettings settings;
    AlarmLimits limits;
    limits.setBand(1, { -0.5, 12.25 });
    limits.setBand(2, { std::nullopt, 3.0 });
    limits.setBand(3, { 1e-3, std::nullopt });
    limits.save(settings, 1, 4);
    AlarmLimits restored;
    restored.load(settings, 1, 4);
    QCOMPARE(restored, limits);
    QCOMPARE(restored.check(2, 3.0), AlarmLimits::Check::Inside);
    QCOMPARE(restored.check(2, 3.01), AlarmLimits::Check::Above);
    QCOMPARE(restored.check(3, 0.0), AlarmLimits::Check::Below);

    // Removed limits stay removed; a damaged entry leaves that side unset.
    limits.setBand(1, {});
    limits.save(settings, 1, 4);
    settings.setValue(u"AlarmLimits"_s, u"Ch4"_s, u"x;7"_s);
    restored.load(settings, 1, 4);
    QCOMPARE(restored.band(1).isSet(), false);
    QCOMPARE(restored.band(4), (AlarmLimits::Band { std::nullopt, 7.0 }));
}

void tst_LiveData::tableLoadUsesPassAxis()
{
    ResultTable table;
    layOut(table, 7, 8, 3);
    const QStringList units { u"kgf/cm2"_s, u"kgf/cm2"_s, u"bar"_s };
    for (int row = 1; row <= 3; ++row) {
        // The trend's axis is the pass number the file gives, not the row.
        table.setText(row, 0, QString::number(100 + row));
        table.setText(row, 1, QString::number(row * 2));
        if (row != 2)
            table.setText(row, 2, u"0.5"_s);
        table.setText(row, 3, units.at(row - 1));
    }
    LiveData data;
    data.attachTable(&table);
    QSignalSpy resets(&data, &LiveData::rangeReset);
    data.loadFromTable(table);
    QCOMPARE(resets.size(), 1);
    QCOMPARE(data.firstChannel(), 7);
    QCOMPARE(data.lastChannel(), 8);
    QCOMPARE(data.axis(), LiveData::Axis::Pass);
    // The cells are read when the live view first needs them, not at Open.
    QVERIFY(data.isPending());
    QCOMPARE(data.health(7).taken, 0);
    data.loadPending();
    QCOMPARE(resets.size(), 2);
    std::vector<TrendPoint> points;
    data.trendPoints(7, qQNaN(), qQNaN(), 100, &points);
    QCOMPARE(points.size(), 2u);
    QCOMPARE(points[1].key, 102.0);
    QCOMPARE(points[1].value, 4.0);
    TrendPoint near {};
    QVERIFY(data.nearestPoint(7, 101.2, &near));
    QCOMPARE(near.key, 101.0);
    QCOMPARE(data.health(7).taken, 3);
    QCOMPARE(data.health(8).taken, 2);
    QCOMPARE(data.health(7).unitChanges, 1);
    QCOMPARE(table.flagTip(3, 1), u"unit bar, scan started in kgf/cm2"_s);
    QCOMPARE(data.latest(8).pass, 103);
}

void tst_LiveData::trendKeepsSpikesAndTimes()
{
    // A long scan of one channel: a single spike must survive any zoom, and
    // every point keeps its own time, not its pass's.
    constexpr int kPasses = 20'000;
    ResultTable table;
    layOut(table, 1, 2, 0);
    LiveData data;
    data.attachTable(&table);
    data.reset(1, 2, std::chrono::milliseconds(1000));
    for (int pass = 1; pass <= kPasses; ++pass) {
        feed(table, data, taken(pass, 1, pass == 12'345 ? u"99.5"_s : u"1.25"_s));
        Reading second = taken(pass, 2, QString::number(pass % 7));
        // A reading far from its pass's start is kept exactly all the same.
        second.time = second.time.addSecs(pass == 3 ? 100'000 : 1);
        feed(table, data, second);
    }
    std::vector<TrendPoint> points;
    for (int buckets : { 50, 600, 5'000, 15'000 }) {
        data.trendPoints(1, qQNaN(), qQNaN(), buckets, &points);
        QVERIFY(points.size() <= 2u * std::size_t(buckets) + 2);
        const auto highest = std::max_element(
            points.begin(), points.end(),
            [](const TrendPoint &a, const TrendPoint &b) { return a.value < b.value; });
        QCOMPARE(highest->value, 99.5);
        QVERIFY(
            std::is_sorted(points.begin(), points.end(),
                           [](const TrendPoint &a, const TrendPoint &b) { return a.key < b.key; }));
    }
    // Zoomed in to a few passes: every reading at its own time.
    const double start = double(kStart.toMSecsSinceEpoch()) / 1000.0;
    data.trendPoints(2, start + 2, start + 4.5, 600, &points);
    QCOMPARE(points.size(), 6u);
    QCOMPARE(points[1].key, start + 2.002 + 1);
    QCOMPARE(points[2].key, start + 3.002 + 100'000);
    QCOMPARE(points[2].value, 3.0);
    TrendPoint near {};
    QVERIFY(data.nearestPoint(1, start + 12'345.2, &near));
    QCOMPARE(near.value, 99.5);
}

void tst_LiveData::newLimitsKeepTheScan()
{
    // Limits edited after a scan flag the cells already read and count them,
    // without losing the time axis or the failures the table cannot tell.
    ResultTable table;
    layOut(table, 1, 2, 0);
    LiveData data;
    data.attachTable(&table);
    data.reset(1, 2);
    for (int pass = 1; pass <= 4; ++pass) {
        feed(table, data, taken(pass, 1, QString::number(pass)));
        feed(table, data, failed(pass, 2, Reading::Status::NoReply, true));
    }
    AlarmLimits limits;
    limits.setBand(1, { std::nullopt, 2.5 });
    data.setAlarmLimits(limits);
    QSignalSpy resets(&data, &LiveData::rangeReset);
    data.recheckLimits();
    QCOMPARE(resets.size(), 0);
    QCOMPARE(data.axis(), LiveData::Axis::Time);
    QCOMPARE(data.health(1).alarmsHigh, 2);
    QVERIFY(data.health(1).outOfBand);
    QCOMPARE(data.health(2).givenUp, 4);
    QVERIFY(table.isFlagged(3, 1) && table.isFlagged(4, 1) && !table.isFlagged(2, 1));
    QCOMPARE(data.statusSummary(),
             u"1 channel failing, 2 readings outside their alarm limits; see Live View"_s);
    data.setAlarmLimits({});
    data.recheckLimits();
    QVERIFY(!table.isFlagged(4, 1));
    QCOMPARE(data.alarms(), 0);
}

void tst_LiveData::healthModelStaysConsistent()
{
    LiveData data;
    ChannelHealthModel model(data);
    QAbstractItemModelTester tester(&model);
    data.reset(1, 10);
    QCOMPARE(model.rowCount(), 10);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    data.addReading(taken(1, 3, u"2.5"_s));
    data.addReading(failed(1, 4, Reading::Status::NoReply, false));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.first().first().toModelIndex().row(), 2);
    QCOMPARE(model.index(2, ChannelHealthModel::Last).data().toString(), u"2.5 kgf/cm2"_s);
    QCOMPARE(model.index(3, ChannelHealthModel::Last).data().toString(), u"failed"_s);
    QCOMPARE(model.index(3, ChannelHealthModel::LastFailure).data().toString(),
             u"no reply: %3FE"_s);
    data.reset(5, 6);
    QCOMPARE(model.rowCount(), 2);
}

// Readings that did not settle are counted, and the typical settle time is
// the median of the latest settled ones only: an unsettled reading's time says
// nothing of how long the channel takes.
void tst_LiveData::settleFiguresCountAndTypicalTime()
{
    LiveData data;
    data.reset(1, 1);
    ChannelHealthModel model(data);
    QCOMPARE(data.health(1).typicalSettleMs(), -1);
    const qint64 times[] = { 900, 300, 500, 9000, 400 };
    int pass = 0;
    for (const qint64 ms : times) {
        Reading reading = taken(++pass, 1, u"1"_s);
        reading.settleQueries = 3;
        reading.settleMs = ms;
        reading.settled = ms < 5000;
        data.addReading(reading);
    }
    QCOMPARE(data.health(1).notSettled, 1);
    QCOMPARE(data.health(1).typicalSettleMs(), 500);
    QCOMPARE(model.data(model.index(0, ChannelHealthModel::NotSettled)).toInt(), 1);
    QCOMPARE(model.data(model.index(0, ChannelHealthModel::SettleTime)).toString(), u"500 ms"_s);
    // Without the check nothing is counted.
    data.addReading(taken(++pass, 1, u"1"_s));
    QCOMPARE(data.health(1).settleTimes.size(), 4);
    for (int i = 0; i < ChannelHealth::kSettleTimes + 5; ++i) {
        Reading reading = taken(++pass, 1, u"1"_s);
        reading.settleQueries = 2;
        reading.settleMs = 250;
        data.addReading(reading);
    }
    QCOMPARE(data.health(1).settleTimes.size(), ChannelHealth::kSettleTimes);
    QCOMPARE(data.health(1).typicalSettleMs(), 250);
}

QTEST_GUILESS_MAIN(tst_LiveData)
#include "tst_livedata.moc"
