#include "AlarmFlags.h"
#include "AlarmLimits.h"
#include "AlarmWatch.h"
#include "DesktopNotifier.h"
#include "Reading.h"
#include "ResultTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Alarm limits on the cells a table already holds, and the one notice per
// excursion that a channel leaving its band raises.
class tst_Alarms : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void limitsApplyToCellsAlreadyInTheTable();
    void oneNotificationPerChannelAndExcursion();
};

namespace {

struct CountingNotifier : DesktopNotifier
{
    QStringList titles;
    void notify(const QString &title, const QString &) override { titles << title; }
};

AlarmLimits band(int channel, double low, double high)
{
    AlarmLimits limits;
    limits.setBand(channel, { low, high });
    return limits;
}

} // namespace

void tst_Alarms::limitsApplyToCellsAlreadyInTheTable()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(4, 5));
    for (const char *value : { "0.2", "1.0", "9.5" }) {
        const int row = table.appendRow();
        table.setText(row, 1, QString::fromLatin1(value));
        table.setText(row, 2, QString::fromLatin1(value));
    }
    // A reading in another unit keeps its own flag whatever the limits.
    table.flagCell(3, 2, AlarmFlags::kUnitColour, u"unit kPa"_s);

    AlarmFlags::apply(table, band(4, 0.5, 5.0));
    QCOMPARE(table.flagColour(1, 1), AlarmFlags::kLowColour);
    QVERIFY(!table.isFlagged(2, 1));
    QCOMPARE(table.flagColour(3, 1), AlarmFlags::kHighColour);
    QVERIFY(table.flagTip(3, 1).contains(u"9.5"_s));
    QVERIFY(!table.isFlagged(1, 2)); // channel 5 has no limits

    // Wider limits take the flags away again; the unit flag stays.
    AlarmLimits wider = band(4, 0.0, 10.0);
    wider.setBand(5, { 0.0, 1.0 });
    AlarmFlags::apply(table, wider);
    QVERIFY(!table.isFlagged(1, 1) && !table.isFlagged(3, 1));
    QCOMPARE(table.flagColour(3, 2), AlarmFlags::kUnitColour);
}

void tst_Alarms::oneNotificationPerChannelAndExcursion()
{
    AlarmLimits limits = band(5, 0.5, 5.0);
    limits.setBand(6, { 0.5, 5.0 });
    AlarmWatch watch(limits);
    CountingNotifier notifier;
    watch.setNotifier(&notifier);
    auto read = [&](int channel, const QString &value) {
        Reading reading;
        reading.channel = channel;
        reading.value = value;
        watch.reading(reading);
    };
    read(5, u"1.0"_s);
    read(5, u"0.2"_s); // leaves its band: one notice
    read(5, u"0.1"_s);
    read(5, u"0.3"_s);
    QCOMPARE(notifier.titles, QStringList { u"Ch 05 outside its alarm limits"_s });
    QVERIFY2(watch.statusText().startsWith(u"Ch 05: 0.3 below the low limit 0.5"_s),
             qPrintable(watch.statusText()));

    read(5, u"1.0"_s); // back inside, then out again: a new excursion
    read(5, u"9"_s);
    read(6, u"0.1"_s);
    QCOMPARE(notifier.titles.size(), 3);
    QCOMPARE(watch.statusText(), u"2 channels outside their alarm limits: Ch 05, Ch 06"_s);
    watch.reset();
    QVERIFY(watch.statusText().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Alarms)
#include "tst_alarms.moc"
