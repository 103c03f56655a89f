#include "LineSimulation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdio>

using namespace Qt::StringLiterals;

// Scans against the simulated scanner by the million: reports how many were
// run, how fast, and every seed whose scan stored a reading where it does not
// belong. --seed replays one scan with its events on standard error.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Simulated scans with random line faults."_s);
    parser.addHelpOption();
    const QCommandLineOption scansOption(u"scans"_s, u"How many scans (1000000)."_s, u"n"_s,
                                         u"1000000"_s);
    const QCommandLineOption firstOption(u"first-seed"_s, u"The first scan's seed (1)."_s,
                                         u"seed"_s, u"1"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"Replay the scan of this seed."_s, u"seed"_s);
    const QCommandLineOption settleOption(u"settle"_s,
                                          u"Check readings for having settled (drawn per scan)."_s);
    parser.addOptions({ scansOption, firstOption, seedOption, settleOption });
    parser.process(app);
    QLoggingCategory::setFilterRules(u"rozivoda.*=false"_s);

    if (parser.isSet(seedOption)) {
        const LineSimulationResult result = simulateScan(parser.value(seedOption).toULongLong(),
                                                         true, parser.isSet(settleOption));
        std::printf("%d passes, %llu readings, faults:\n  %s\n", result.passes, result.readings,
                    qPrintable(result.faults.join(u"\n  "_s)));
        return result.faults.isEmpty() ? 0 : 1;
    }

    const quint64 scans = parser.value(scansOption).toULongLong();
    const quint64 first = parser.value(firstOption).toULongLong();
    quint64 readings = 0, queries = 0, givenUp = 0, beyond = 0, beyondMisplaced = 0, overlong = 0,
            failedScans = 0;
    qsizetype maxBuffered = 0, maxOwed = 0;
    QElapsedTimer clock;
    clock.start();
    for (quint64 seed = first; seed < first + scans; ++seed) {
        const LineSimulationResult result = simulateScan(seed, false, parser.isSet(settleOption));
        readings += result.readings;
        queries += result.queries;
        givenUp += result.givenUp;
        beyond += result.beyondBound;
        beyondMisplaced += quint64(result.beyondBoundMisplaced.size());
        overlong += result.overlongLines;
        maxBuffered = std::max(maxBuffered, result.maxBuffered);
        maxOwed = std::max(maxOwed, result.maxOwed);
        if (!result.faults.isEmpty()) {
            ++failedScans;
            std::printf("FAULT seed %llu: %s\n", seed, qPrintable(result.faults.join(u"; "_s)));
        }
        if ((seed - first + 1) % 100000 == 0) {
            std::printf("%llu scans, %.0f scans/s, %llu faulty\n", seed - first + 1,
                        double(seed - first + 1) * 1000.0 / double(clock.elapsed()), failedScans);
            std::fflush(stdout);
        }
    }
    const double seconds = double(clock.elapsed()) / 1000.0;
    std::printf("%llu scans in %.1f s (%.0f scans/s): %llu queries, %llu readings stored, %llu "
                "cells given up, %llu lines too long dropped\n",
                scans, seconds, double(scans) / seconds, queries, readings, givenUp, overlong);
    std::printf("replies later than the bound: %llu, readings they misplaced: %llu\n", beyond,
                beyondMisplaced);
    std::printf("largest line buffer %lld bytes, most replies owed %lld\n", qint64(maxBuffered),
                qint64(maxOwed));
    std::printf("scans with a misplaced, stale or unmarked reading: %llu\n", failedScans);
    return failedScans == 0 ? 0 : 1;
}
