#pragma once

#include <cstddef>

// Numbers in a result file. A value is rounded to single precision and written
// with at most 7 significant digits, "." as the decimal mark and no trailing
// zeros, in the form of C's "%.7G": plain with a 0 before the mark below 1
// ("0.5", "-0.01234", "12.51", "1234567"), exponent form with a signed
// two-digit exponent when the leading digit lies beyond the plain range of 7
// digits, that is below 0.0001 or from 10,000,000 on ("1E-05",
// "1.234568E+07"). Zero is always "0", never "-0". The writer puts this text in
// its number fields, and the reader makes it the cell text of a number field
// whatever form the field has; the reader accepts every form.
namespace NumberField {

// Room for the longest text that formatNumber writes ("-1.234568E-45").
inline constexpr std::size_t kMaxTextLength = 16;

enum class Outcome { Ok, BeyondSinglePrecision };

// Reads the number at the start of [begin, end) the way cell texts are read:
// blanks, tabs and line feeds are ignored wherever they stand; then an optional
// sign, digits with at most one ".", and an optional exponent ("E" or "e", a
// sign, digits) are taken as far as they form a number; the rest is ignored. A
// text without a number gives 0, any other form is accepted (".5", "1e-5",
// "+2.50"). Writes the rounded value's text to out and its length to *length;
// a magnitude beyond single precision writes nothing and is reported.
Outcome formatNumber(const char *begin, const char *end, char *out, std::size_t *length);

// True when [begin, end) already is the text formatNumber would write for it:
// a plain decimal of at most 6 significant digits in the written form ("12.51",
// "-0.01234", "7"). Such a number survives the rounding to single precision
// unchanged, so a reader can keep its text as it stands. Most fields of a file
// are of this kind.
bool isWrittenForm(const char *begin, const char *end);

} // namespace NumberField
