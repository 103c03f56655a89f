#pragma once

#include "ScanRun.h"

#include <QString>

#include <cstdio>

// True when stream is a terminal, so that a line can be redrawn in place.
bool isTerminal(std::FILE *stream);

// Shows a run's progress on a stream (stderr): on a terminal one line redrawn
// in place, elsewhere (a log, a pipe) a plain line per completed pass, at most
// one per kPlainLineInterval. Messages and wire logs go through it too, so that
// they never land in the middle of the progress line.
class ProgressPrinter
{
public:
    static constexpr std::chrono::milliseconds kPlainLineInterval { 10000 };

    ProgressPrinter(std::FILE *stream, bool inPlace);

    void show(const ScanRun::Progress &progress);
    // A line of its own, below the progress line.
    void line(const QString &text);

    // "pass 3/10  rows 3  00:01:23  failing: 4, 7"
    static QString progressText(const ScanRun::Progress &progress);

private:
    void write(const QString &text);

    std::FILE *m_stream;
    bool m_inPlace;
    qsizetype m_shownLength = 0; // of the line drawn in place, 0 if none
    int m_lastPasses = 0;
    std::chrono::milliseconds m_lastPlainLine { -kPlainLineInterval };
};
