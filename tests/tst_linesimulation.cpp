#include "LineSimulation.h"

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

QTEST_GUILESS_MAIN(tst_LineSimulation)
#include "tst_linesimulation.moc"
