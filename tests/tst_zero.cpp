#include "DecimalValue.h"
#include "ScanZero.h"
#include "ZeroHistory.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Zero : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zeroedText_data();
    void zeroedText();
    void meanOfPasses_data();
    void meanOfPasses();
    void failedChannelGetsNoOffset();
    void zeroAppliesFromItsPassUntilCleared();
    void offsetsTextRoundTrips();
};

static Reading reading(int pass, int channel, const QString &value, const QString &unit = u"kPa"_s)
{
    Reading r;
    r.pass = pass;
    r.channel = channel;
    r.value = value;
    r.unit = unit;
    r.time = QDateTime::currentDateTimeUtc();
    return r;
}

static Reading failed(int pass, int channel, bool givenUp)
{
    Reading r = reading(pass, channel, {});
    r.status = Reading::Status::NoReply;
    r.givenUp = givenUp;
    return r;
}

// A reading minus an offset: exact decimals, the reading's form, never "-0".
void tst_Zero::zeroedText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("expected");
    QTest::newRow("binary rounding avoided") << u"0.3"_s << u"0.1"_s << u"0.2"_s;
    QTest::newRow("equal gives plain zero") << u"-0.012"_s << u"-0.012"_s << u"0"_s;
    QTest::newRow("negative result") << u"1.5"_s << u"2.25"_s << u"-0.75"_s;
    QTest::newRow("no trailing zeros") << u"12.34"_s << u"0.04"_s << u"12.3"_s;
    QTest::newRow("offset more precise") << u"100"_s << u"0.001"_s << u"99.999"_s;
    QTest::newRow("exponent reading") << u"1E-05"_s << u"0.000003"_s << u"7E-06"_s;
    QTest::newRow("large reading") << u"1.5E+07"_s << u"2"_s << u"14999998"_s;
    QTest::newRow("fifteen digits")
        << u"12345678.1234567"_s << u"0.0000001"_s << u"12345678.1234566"_s;
    QTest::newRow("no number stays") << u"abc"_s << u"1"_s << u"abc"_s;
}

void tst_Zero::zeroedText()
{
    QFETCH(QString, value);
    QFETCH(QString, offset);
    QFETCH(QString, expected);
    ZeroSet set;
    set.offsets.insert(4, *DecimalValue::fromText(offset));
    set.unit = u"kPa"_s;
    ZeroHistory history;
    history.add(set);
    QCOMPARE(history.zeroed(1, 4, value, u"kPa"_s), expected);
    QCOMPARE(history.zeroed(1, 5, value), value); // no offset for that channel
    QCOMPARE(history.zeroed(1, 4, value, u"bar"_s), value); // an offset in kPa
}

// The offset is the exact mean, halves away from zero, at the readings' decimals.
void tst_Zero::meanOfPasses_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three") << QStringList { u"0.1"_s, u"0.2"_s, u"0.3"_s } << u"0.2"_s;
    QTest::newRow("half up") << QStringList { u"0.001"_s, u"0.002"_s } << u"0.002"_s;
    QTest::newRow("half away from zero") << QStringList { u"-0.001"_s, u"-0.002"_s } << u"-0.002"_s;
    QTest::newRow("thirds") << QStringList { u"1"_s, u"1"_s, u"2"_s } << u"1"_s;
    QTest::newRow("mixed decimals") << QStringList { u"1.5"_s, u"1.25"_s } << u"1.38"_s;
    QTest::newRow("cancelling") << QStringList { u"0.004"_s, u"-0.004"_s } << u"0"_s;
}

void tst_Zero::meanOfPasses()
{
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    ScanZero zero;
    zero.reset(2, 2);
    QSignalSpy taken(&zero, &ScanZero::taken);
    zero.take(int(values.size()), 4);
    zero.addReading(reading(4, 2, u"99"_s)); // the pass under way does not count
    for (qsizetype i = 0; i < values.size(); ++i)
        zero.addReading(reading(5 + int(i), 2, values[i]));
    QCOMPARE(taken.size(), 1);
    const auto set = taken[0][0].value<ZeroSet>();
    QCOMPARE(set.offsets.value(2).toText(), expected);
    QCOMPARE(set.firstPass, 5 + int(values.size()));
    QVERIFY(!zero.isTaking());
}

// A channel that failed once, changed unit, or was given up has no offset and
// is named; the others are zeroed.
void tst_Zero::failedChannelGetsNoOffset()
{
    ScanZero zero;
    zero.reset(0, 3);
    QSignalSpy taken(&zero, &ScanZero::taken);
    zero.take(2, 0);
    for (int pass = 1; pass <= 2; ++pass) {
        zero.addReading(reading(pass, 0, u"0.5"_s));
        if (pass == 1)
            zero.addReading(failed(pass, 1, false)); // retried, then read
        zero.addReading(reading(pass, 1, u"0.5"_s));
        zero.addReading(reading(pass, 2, u"0.5"_s, pass == 1 ? u"kPa"_s : u"Pa"_s));
        QCOMPARE(taken.size(), 0);
        zero.addReading(failed(pass, 3, true));
    }
    QCOMPARE(taken.size(), 1);
    const auto set = taken[0][0].value<ZeroSet>();
    QCOMPARE(set.offsets.keys(), QList<int> { 0 });
    QCOMPARE(taken[0][1].value<QList<int>>(), (QList<int> { 1, 2, 3 }));
}

void tst_Zero::zeroAppliesFromItsPassUntilCleared()
{
    ScanZero zero;
    zero.reset(0, 0);
    QSignalSpy abandoned(&zero, &ScanZero::abandoned);
    zero.take(1, 0);
    zero.addReading(reading(1, 0, u"2"_s));
    zero.take(1, 3); // a second zero replaces the first from its own pass on
    zero.addReading(reading(4, 0, u"3"_s));
    const ZeroHistory &history = zero.history();
    QCOMPARE(history.zeroed(1, 0, u"10"_s), u"10"_s);
    QCOMPARE(history.zeroed(2, 0, u"10"_s), u"8"_s);
    QCOMPARE(history.zeroed(5, 0, u"10"_s), u"7"_s);
    zero.take(1, 6);
    zero.clear(7);
    QCOMPARE(abandoned.size(), 1);
    QCOMPARE(history.zeroed(6, 0, u"10"_s), u"7"_s);
    QCOMPARE(history.zeroed(7, 0, u"10"_s), u"10"_s);
    QVERIFY(!history.active());
}

void tst_Zero::offsetsTextRoundTrips()
{
    ZeroSet set;
    QVERIFY(set.setOffsetsText(u"3=0.012;10=-1E-05;12=0"_s));
    QCOMPARE(set.offsetsText(), u"3=0.012;10=-1E-05;12=0"_s);
    QVERIFY(!set.setOffsetsText(u"3=x"_s));
}

QTEST_GUILESS_MAIN(tst_Zero)
#include "tst_zero.moc"
