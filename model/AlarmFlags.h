#pragma once

#include <QAnyStringView>
#include <QColor>
#include <QString>

class AlarmLimits;
class ResultTable;

// How the result table shows a reading that breaks a check: its fill colour
// and tip. The colours stay clear of the table's selection, which is blue.
namespace AlarmFlags {

inline constexpr QRgb kUnitColour = qRgb(255, 228, 150);
// Lavender, not light blue: a blue cell below its limit read as selected.
inline constexpr QRgb kLowColour = qRgb(228, 206, 255);
inline constexpr QRgb kHighColour = qRgb(255, 205, 160);

QString lowTip(QAnyStringView value, double low);
QString highTip(QAnyStringView value, double high);

// Checks every reading already in table's channel columns (labelled "Ch NN")
// against limits: one outside its band gets the low or high flag, one inside
// loses an alarm flag it had; a unit-change flag stays, as that check comes
// first. The view is told once, not per cell. With before, the limits the
// cells were checked against, columns whose band is unchanged are skipped: an
// edit of a few channels stays quick on a table of millions of readings.
void apply(ResultTable &table, const AlarmLimits &limits, const AlarmLimits *before = nullptr);

} // namespace AlarmFlags
