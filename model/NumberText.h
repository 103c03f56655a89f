#pragma once

#include <QString>
#include <QStringView>

// Numbers as the scanner, the settings and the result files write them: "."
// is the decimal mark whatever the locale.

// Reads the number at the start of text: blanks, tabs and line feeds are
// ignored wherever they stand, then a sign, digits with at most one ".", and an
// exponent ("E", a sign, digits) are taken as far as they form a number; the
// rest is ignored. A text without a number gives 0. A magnitude beyond the range
// of a double gives 0 and clears *inRange.
double numberFromText(QStringView text, bool *inRange = nullptr);

// Reads text that must be a number as a whole, blanks at its ends aside ("2.5",
// " 1 "), as a stored setting is; false for anything else ("abc", "2x", "").
bool wholeNumberFromText(QStringView text, double *value);

// The shortest decimal text of value with at most 15 significant digits: no
// trailing zeros, no point for whole numbers, exponent form ("1E-05") only for
// very large or very small magnitudes.
QString shortestNumberText(double value);

// Rounds to the nearest integer, halves to the even neighbour; false when the
// result does not fit a 16-bit signed integer.
bool roundToInt16(double value, qint16 *result);
