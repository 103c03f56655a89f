#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One automatic scan against a simulated scanner on a simulated clock. The
// link and the scan cycle run unchanged; the scanner's timing and faults are
// drawn from a generator seeded with the scan's seed, so a seed replays its
// scan exactly. The scanner's values name the channel it had selected and the
// number of the query they answer, so every stored reading is checked against
// the query that produced it.
struct LineSimulationResult
{
    quint64 seed = 0;
    int passes = 0;
    quint64 queries = 0;
    quint64 readings = 0;
    quint64 givenUp = 0;
    // Replies the scanner sent later than the link's bound on a reply.
    quint64 beyondBound = 0;
    quint64 overlongLines = 0;
    qsizetype maxBuffered = 0;
    qsizetype maxOwed = 0;
    // Every byte the scanner received, as a SHA-256 digest, and how many.
    QByteArray wireDigest;
    quint64 wireBytes = 0;
    // Readings taken with the settle check, by its outcome.
    quint64 settled = 0;
    quint64 notSettled = 0;
    // What the checks found wrong; empty for a sound scan.
    QStringList faults;
    // Readings misplaced by a reply that came later than the bound: a fault
    // the link does not claim to prevent.
    QStringList beyondBoundMisplaced;
};

// verbose logs the scan's events to standard error, for replaying one seed.
// With settleCheck, the scan checks readings for having settled, with a
// tolerance and a most of further queries drawn from the seed apart from the
// scanner's faults.
LineSimulationResult simulateScan(quint64 seed, bool verbose = false, bool settleCheck = false);
