#pragma once

#include "CellStore.h"
#include "Reading.h"

#include <QList>

#include <limits>
#include <vector>

class ResultTable;
class ScanRecord;

// Rebuilds the result table a scan filled, from its readings in the order they
// were taken: a row per pass with its ID, each value in its channel's column,
// the unit of the pass's first value in the last column, given-up cells marked
// with why, and each pass's start time.
class ScanTableBuilder
{
public:
    ScanTableBuilder(int startChannel, int endChannel);

    void add(const Reading &reading);
    // Why the readings cannot be this scan's (a pass number far beyond the
    // passes before it); empty while they can. Such a reading is left out.
    QString fault() const { return m_fault; }
    // Replaces table's layout and rows. A stopped scan drops a last pass that
    // was cut short before it held a value, as Stop does.
    void finish(ResultTable &table, bool stopped);

private:
    struct Mark
    {
        int row;
        int column;
        QString why;
        bool unsettled = false;
    };

    static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();

    int m_startChannel;
    int m_endChannel;
    int m_columns;
    CellStore m_cells;
    std::vector<qint64> m_rowTimes;
    std::vector<bool> m_rowHasValue;
    QList<Mark> m_marks;
    int m_lastRowMarks = 0;
    QString m_fault;
};

// Restores stored scan id into table, with the channel names it was taken
// with; false (table untouched) if it cannot be
// read, with the record's errorString() saying why, or if the record holds an
// impossible scan, with why (when given) saying so.
bool restoreScan(ScanRecord &record, qint64 id, ResultTable &table, QString *why = nullptr);
