#include "NumberText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_NumberText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reading_data();
    void reading();
    void outOfRange();
    void shortestText_data();
    void shortestText();
    void roundingToInt16();
};

void tst_NumberText::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << u"        abc"_s << 0.0;
    QTest::newRow("padded plus") << u"   +12.3400"_s << 12.34;
    QTest::newRow("leading zeros") << u"      -0001"_s << -1.0;
    QTest::newRow("blanks inside") << u" 1 2.\t5\n"_s << 12.5;
    QTest::newRow("trailing unit") << u"12.5kgf"_s << 12.5;
    QTest::newRow("second point ends") << u"1.2.3"_s << 1.2;
    QTest::newRow("exponent") << u"1.5E+2"_s << 150.0;
    QTest::newRow("small exponent") << u"1e-05"_s << 1e-5;
    QTest::newRow("E without digits") << u"2E"_s << 2.0;
    QTest::newRow("E with sign only") << u"2E-x"_s << 2.0;
    QTest::newRow("sign alone") << u"-"_s << 0.0;
    QTest::newRow("point alone") << u"."_s << 0.0;
    QTest::newRow("leading point") << u".5"_s << 0.5;
    QTest::newRow("comma is no mark") << u"2,5"_s << 2.0;
    QTest::newRow("underflow") << u"1E-999"_s << 0.0;
}

void tst_NumberText::reading()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    bool inRange = false;
    QCOMPARE(numberFromText(text, &inRange), expected);
    QVERIFY(inRange);
}

void tst_NumberText::outOfRange()
{
    bool inRange = true;
    QCOMPARE(numberFromText(u"1E999"_s, &inRange), 0.0);
    QVERIFY(!inRange);
    inRange = true;
    QCOMPARE(numberFromText(QString(500, u'9'), &inRange), 0.0);
    QVERIFY(!inRange);
}

void tst_NumberText::shortestText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 2.0 << u"2"_s;
    QTest::newRow("half") << 1.5 << u"1.5"_s;
    QTest::newRow("below one") << -0.01234 << u"-0.01234"_s;
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("fifteen digits") << 1.0 / 3.0 << u"0.333333333333333"_s;
    QTest::newRow("tiny") << 1e-5 << u"1E-05"_s;
    QTest::newRow("huge") << 1.5e20 << u"1.5E+20"_s;
}

void tst_NumberText::shortestText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(shortestNumberText(value), expected);
}

void tst_NumberText::roundingToInt16()
{
    qint16 result = 0;
    QVERIFY(roundToInt16(2.5, &result));
    QCOMPARE(result, qint16(2));
    QVERIFY(roundToInt16(3.5, &result));
    QCOMPARE(result, qint16(4));
    QVERIFY(roundToInt16(-32768.4, &result));
    QCOMPARE(result, qint16(-32768));
    QVERIFY(!roundToInt16(32767.5, &result));
    QVERIFY(!roundToInt16(1e10, &result));
}

QTEST_GUILESS_MAIN(tst_NumberText)
#include "tst_numbertext.moc"
