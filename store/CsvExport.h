#pragma once

class QIODevice;
class ResultTable;

// Writes the result table as CSV that spreadsheets and pandas read without
// options: UTF-8 with a byte order mark, a header "pass,time,Ch 00,...,unit",
// each pass's start time in ISO 8601 local time with its UTC offset, values as
// the table holds them ("." decimals) and an empty field where a cell has no
// reading. Returns false if out could not be written.
bool writeCsv(const ResultTable &table, QIODevice &out);
