#pragma once

#include <QColor>

// Fixed text colours checked against what they are drawn on, so that a dark
// desktop theme leaves no text invisible.
namespace TextContrast {

// The contrast ratio of two colours as the accessibility guidelines define it:
// 1 (none) to 21 (black on white).
double ratio(const QColor &a, const QColor &b);

// The ratio from which the program's fixed colours count as readable: the
// guidelines' figure for large text, which the coloured readouts are.
inline constexpr double kReadable = 3.0;

// wanted where it reads on background. Otherwise a coloured text keeps its hue,
// made lighter or darker until it reads; black and grey give way to fallback
// (the palette's text colour).
QColor readable(const QColor &wanted, const QColor &background, const QColor &fallback);

// Black or white, whichever reads better on fill.
QColor textOn(const QColor &fill);

} // namespace TextContrast
