#include "LineSimulation.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTest>

using namespace Qt::StringLiterals;

// Thousands of scans against a simulated scanner that answers late, out of
// order, twice, cut short or not at all, with noise, endless lines and pulled
// lines: no reading may ever be stored under another channel or pass. A failing
// seed is printed; ROZIVODA_SIM_SEED=<seed> replays it with every event logged.
class tst_LineSimulation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(u"rozivoda.*=false"_s); }
    void noReadingIsEverMisplaced();
    void settleCheckNeverMisplacesOrHidesAReading();
    void wireBytesWithoutTheSettleCheckAreAsBefore();
};

void tst_LineSimulation::noReadingIsEverMisplaced()
{
    const QByteArray replay = qgetenv("ROZIVODA_SIM_SEED");
    const quint64 first = replay.isEmpty() ? 1 : replay.toULongLong();
    const quint64 scans = replay.isEmpty() ? 2000 : 1;
    quint64 readings = 0;
    quint64 beyondMisplaced = 0;
    QStringList failures;
    for (quint64 seed = first; seed < first + scans; ++seed) {
        const LineSimulationResult result = simulateScan(seed, !replay.isEmpty());
        readings += result.readings;
        beyondMisplaced += quint64(result.beyondBoundMisplaced.size());
        if (!result.faults.isEmpty())
            failures << u"seed %1: %2"_s.arg(seed).arg(result.faults.join(u"; "_s));
    }
    qInfo("%llu scans, %llu readings, %llu misplaced by replies later than the bound", scans,
          readings, beyondMisplaced);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 10).join(u'\n')));
}

// The further queries of the settle check are made under the same rules as
// every query: no reply may land in another channel or pass, a reading stored
// as settled had two replies within the tolerance, one that did not is marked.
void tst_LineSimulation::settleCheckNeverMisplacesOrHidesAReading()
{
    const quint64 scans = 1000;
    quint64 settled = 0;
    quint64 notSettled = 0;
    QStringList failures;
    for (quint64 seed = 1; seed <= scans; ++seed) {
        const LineSimulationResult result = simulateScan(seed, false, true);
        settled += result.settled;
        notSettled += result.notSettled;
        if (!result.faults.isEmpty())
            failures << u"seed %1: %2"_s.arg(seed).arg(result.faults.join(u"; "_s));
    }
    qInfo("%llu scans with the settle check: %llu readings settled, %llu did not", scans, settled,
          notSettled);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 10).join(u'\n')));
    QVERIFY(settled > 0 && notSettled > 0);
}

// Every byte the scanner receives in these seeded scans, late replies, lost
// lines and all, as it received them before the settle check existed: each
// line of the file holds a seed, the SHA-256 of the scan's bytes on the wire
// and their count.
void tst_LineSimulation::wireBytesWithoutTheSettleCheckAreAsBefore()
{
    QFile file(qEnvironmentVariable("ROZIVODA_TEST_DATA") + u"/line-simulation-wire.txt"_s);
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.fileName()));
    int scans = 0;
    quint64 bytes = 0;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() != 3)
            continue;
        const LineSimulationResult result = simulateScan(fields.at(0).toULongLong());
        QCOMPARE(result.wireBytes, fields.at(2).toULongLong());
        QCOMPARE(result.wireDigest, fields.at(1));
        bytes += result.wireBytes;
        ++scans;
    }
    qInfo("%d scans, %llu bytes on the wire, identical", scans, bytes);
    QVERIFY(scans >= 100);
}

QTEST_GUILESS_MAIN(tst_LineSimulation)
#include "tst_linesimulation.moc"
