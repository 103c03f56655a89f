#pragma once

// Splits the bytes of a result file into fields. Fields are read one after
// another without regard to lines: a comma or a line end (CR LF, a lone CR or a
// lone LF) ends a field, so a line with a field too many shifts its last field
// into the next row. Works on bytes in memory; when a field may continue past
// the bytes at hand, the caller is asked for more and the field is scanned
// again from its start.
namespace FieldScanner {

struct Span
{
    const char *begin = nullptr;
    const char *end = nullptr;
};

enum class Result {
    Field, // *text holds the field; *position is past its separator
    EndOfData, // nothing but blanks and tabs before the end: the read fails
    NeedMore, // the field may go on past end: call again with more bytes
};

// A string field: from a double quote to the next double quote, commas and
// line ends included, and whatever follows up to the separator is dropped;
// otherwise up to the separator, without blanks and tabs at its ends. A quote
// that is never closed takes the rest of the file.
Result stringField(const char **position, const char *end, bool atEnd, Span *text);

// A number field: everything up to the separator, for the caller to read.
Result numberField(const char **position, const char *end, bool atEnd, Span *text);

} // namespace FieldScanner
