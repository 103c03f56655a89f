#include "CellStore.h"
#include "ResultTable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ResultTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layouts_data();
    void layouts();
    void cellTextsRoundTrip_data();
    void cellTextsRoundTrip();
    void rowsSurviveColumnChanges();
    void truncatedRowsComeBackEmpty();
    void modelStaysConsistent();
    void marksFollowTheirCells();
    void rowTimesFollowTheirRows();
    void widestTextOnlyGrowsUntilEmptied();
};

void tst_ResultTable::layouts_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("one channel") << 5 << 5 << QStringList { u"ID"_s, u"Ch 05"_s, u"Unit"_s };
    QTest::newRow("across ten") << 8 << 12
                                << QStringList { u"ID"_s,    u"Ch 08"_s, u"Ch 09"_s, u"Ch 10"_s,
                                                 u"Ch 11"_s, u"Ch 12"_s, u"Unit"_s };
    QTest::newRow("end below start") << 7 << 3 << QStringList { u"ID"_s, u"Unit"_s };
}

void tst_ResultTable::layouts()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QStringList, labels);
    ResultTable table;
    table.setLayout(gridLayoutFor(start, end));
    QCOMPARE(table.cols(), labels.size());
    for (int c = 0; c < table.cols(); ++c) {
        QCOMPARE(table.text(0, c), labels.at(c));
        QCOMPARE(table.headerData(c, Qt::Horizontal).toString(), labels.at(c));
    }
    QCOMPARE(table.widthText(0), u"ID      "_s);
    QCOMPARE(table.widthText(table.cols() - 1), u"Unit        "_s);
}

void tst_ResultTable::cellTextsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("reading") << u"-0.01234"_s;
    QTest::newRow("fifteen packed chars") << u"123456789012345"_s;
    QTest::newRow("sixteen chars go to the pool") << u"1234567890123456"_s;
    QTest::newRow("exponent") << u"1E-05"_s;
    QTest::newRow("unit") << u"kgf/cm2"_s;
    QTest::newRow("blank inside") << u"1 2"_s;
    QTest::newRow("korean") << u"단위"_s;
    QTest::newRow("terminator in unit") << u"bar\n\r"_s;
    // Read as numbers straight from the packed form: the same as toDouble().
    QTest::newRow("plus sign") << u"+1.5"_s;
    QTest::newRow("trailing point") << u"12."_s;
    QTest::newRow("leading point") << u".5"_s;
    QTest::newRow("tenth") << u"0.1"_s;
    QTest::newRow("many decimals") << u"9.87654321098765"_s;
    QTest::newRow("sign alone") << u"-"_s;
    QTest::newRow("two points") << u"1.2.3"_s;
    QTest::newRow("exponent without digits") << u"1e"_s;
}

void tst_ResultTable::cellTextsRoundTrip()
{
    QFETCH(QString, text);
    ResultTable table;
    table.setLayout(gridLayoutFor(0, 1));
    const int row = table.appendRow();
    QCOMPARE(row, 1);
    table.setText(row, 1, text);
    QCOMPARE(table.text(row, 1), text);
    bool ok = false;
    const double expected = text.toDouble(&ok);
    const double number = table.dataCells().number(0, 1);
    QCOMPARE(std::isnan(number), !ok);
    // Bit for bit, not within a tolerance: the figures must not depend on the path.
    if (ok)
        QVERIFY2(number == expected, qPrintable(QString::number(number, 'g', 17)));
    QCOMPARE(table.text(row, 2), QString());
}

void tst_ResultTable::rowsSurviveColumnChanges()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(0, 2));
    for (int i = 0; i < 3000; ++i) {
        const int row = table.appendRow();
        table.setText(row, 0, QString::number(row));
        table.setText(row, 4, u"kgf/cm2"_s);
    }
    table.setLayout(gridLayoutFor(0, 99));
    QCOMPARE(table.rows(), 3001);
    QCOMPARE(table.cols(), 102);
    QCOMPARE(table.text(2999, 0), u"2999"_s);
    QCOMPARE(table.text(2999, 4), u"kgf/cm2"_s);
    QCOMPARE(table.text(2999, 101), QString());
    table.setCols(2);
    QCOMPARE(table.text(3000, 0), u"3000"_s);
}

void tst_ResultTable::truncatedRowsComeBackEmpty()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(0, 0));
    table.setRows(5);
    table.setText(4, 1, u"1.5"_s);
    table.setRows(3);
    table.setRows(5);
    QCOMPARE(table.text(4, 1), QString());
    table.setRows(0); // the label row always stays
    QCOMPARE(table.rows(), 1);
    QCOMPARE(table.text(0, 1), u"Ch 00"_s);
}

void tst_ResultTable::modelStaysConsistent()
{
    ResultTable table;
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    table.setLayout(gridLayoutFor(0, 19));
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 10; ++i)
        table.setText(table.appendRow(), 0, QString::number(i + 1));
    QCOMPARE(inserted.count(), 10);
    QCOMPARE(table.rowCount(), 10);
    QCOMPARE(table.headerData(9, Qt::Vertical).toString(), u"10"_s);
    CellStore block(table.cols());
    block.appendRows(2);
    block.setText(1, 21, u"bar"_s);
    table.appendRows(block);
    QCOMPARE(table.text(12, 21), u"bar"_s);
    table.setLayout(gridLayoutFor(3, 4));
    table.setRows(1);
    QCOMPARE(table.rowCount(), 0);
}

void tst_ResultTable::marksFollowTheirCells()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(0, 9));
    table.setRows(4);
    table.markCell(3, 8, u"no reply"_s);
    QVERIFY(table.isMarked(3, 8));
    QCOMPARE(table.data(table.index(2, 8), Qt::ToolTipRole).toString(), u"no reply"_s);
    QVERIFY(table.data(table.index(2, 8), Qt::BackgroundRole).isValid());
    QVERIFY(!table.data(table.index(2, 7), Qt::BackgroundRole).isValid());
    table.setRows(3);
    table.setRows(4);
    QVERIFY(!table.isMarked(3, 8));
}

void tst_ResultTable::rowTimesFollowTheirRows()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(0, 1));
    table.setRows(4);
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(1796640000045, Qt::UTC);
    table.setRowTime(3, time);
    QCOMPARE(table.rowTime(3), time);
    QCOMPARE(table.headerData(2, Qt::Vertical, Qt::ToolTipRole).toString(),
             time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s));
    QVERIFY(!table.headerData(1, Qt::Vertical, Qt::ToolTipRole).isValid());
    // A row removed and added again has no time of its own.
    table.setRows(3);
    table.setRows(4);
    QVERIFY(!table.rowTime(3).isValid());
}

QTEST_GUILESS_MAIN(tst_ResultTable)
#include "tst_resulttable.moc"

void tst_ResultTable::widestTextOnlyGrowsUntilEmptied()
{
    ResultTable table;
    table.setLayout(gridLayoutFor(1, 2));
    QSignalSpy widened(&table, &ResultTable::columnWidened);
    int row = table.appendRow();
    table.setText(row, 1, u"1.5"_s);
    table.setText(row, 1, u"11.1125"_s);
    table.setText(row, 1, u"2.0"_s);
    QCOMPARE(table.widestText(1), u"11.1125"_s);
    QCOMPARE(widened.count(), 2);

    // A file load measures its block without a text per cell; a pooled text counts too.
    CellStore block(table.cols());
    block.appendRows(3);
    block.setAscii(0, 1, "-0.000125", 9);
    block.setText(1, 2, u"overload!!!"_s);
    block.setAscii(2, 2, "1.5", 3);
    table.appendRows(block);
    QCOMPARE(table.widestText(1), u"-0.000125"_s);
    QCOMPARE(table.widestText(2), u"overload!!!"_s);

    // Dropping the last pass does not narrow a column; emptying the table does.
    table.setRows(table.rows() - 1);
    QCOMPARE(table.widestText(2), u"overload!!!"_s);
    table.setRows(1);
    QCOMPARE(table.widestText(1), QString());
}
