#pragma once

class QString;
class ResultTable;
class ZeroHistory;

// The pass of a result table's row: its ID, or the row number where the ID is
// no number.
int passOfRow(const ResultTable &table, int row);
// The channel of a column label ("Ch 05" is 5); -1 for ID, Unit and the like.
int channelOfLabel(const QString &label);

// Fills to with the rows of from whose pass is firstPass or later, their texts
// zeroed by zero where it is given, with their times; to's rows and columns
// are replaced. The table a zeroed file or a file without the zero passes is
// written from; from stays as read.
void copyZeroed(const ResultTable &from, ResultTable &to, const ZeroHistory *zero,
                int firstPass = 0);
