#pragma once

class QIODevice;
class QString;
class ResultTable;
class ZeroHistory;

// Writes the result table as CSV that spreadsheets and pandas read without
// options: UTF-8 with a byte order mark, a header "pass,time,Ch 00,...,unit"
// (a named channel's column "Ch 03 Inlet static", by the table's names),
// each pass's start time in ISO 8601 local time with its UTC offset, values as
// the table holds them ("." decimals) and an empty field where a cell has no
// reading. Returns false if out could not be written.
// A scan on the simulated scanner says so in a last column, "scanner", whose
// every row reads "simulated": its readings must not pass for real ones.
// With a zero, each value is the reading minus the offset of the zero that
// applied to its pass, and a column "zero" says which ("zeroed at 14:02:05
// +09:00", with the date), empty for a row shown as read.
bool writeCsv(const ResultTable &table, QIODevice &out, bool simulated = false,
              const ZeroHistory *zero = nullptr);

// Writes the CSV to path through a file that replaces path only once written
// whole; false with *error saying why.
bool writeCsvFile(const QString &path, const ResultTable &table, QString *error,
                  bool simulated = false, const ZeroHistory *zero = nullptr);
