#include "AlarmFlags.h"

#include "AlarmLimits.h"
#include "ResultTable.h"

#include <QCoreApplication>
#include <QLocale>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace AlarmFlags {

namespace {

QString numberText(double value)
{
    return QLocale::c().toString(value, 'g', 10);
}

} // namespace

// The live data flags new readings with the same texts: one translation serves both.
QString lowTip(QAnyStringView value, double low)
{
    return value.toString() + QCoreApplication::translate("LiveData", " below the low limit ")
        + numberText(low);
}

QString highTip(QAnyStringView value, double high)
{
    return value.toString() + QCoreApplication::translate("LiveData", " above the high limit ")
        + numberText(high);
}

void apply(ResultTable &table, const AlarmLimits &limits, const AlarmLimits *before)
{
    const CellStore &cells = table.dataCells();
    char packed[CellStore::kMaxPackedLength];
    table.beginFlagUpdate();
    for (int column = 1; column + 1 < table.cols(); ++column) {
        const QString label = table.text(0, column);
        bool ok = false;
        const int channel = QStringView(label).mid(3).toInt(&ok);
        if (!ok || !label.startsWith(u"Ch "_s))
            continue;
        const AlarmLimits::Band band = limits.band(channel);
        if (before && before->band(channel) == band)
            continue;
        for (qsizetype dataRow = 0; dataRow < cells.rowCount(); ++dataRow) {
            const int row = int(dataRow + 1);
            const std::optional<QRgb> flag = table.flagColour(row, column);
            if (flag == kUnitColour)
                continue;
            const bool alarmFlag = flag == kLowColour || flag == kHighColour;
            if (!band.isSet() || cells.isEmpty(dataRow, column)) {
                if (alarmFlag)
                    table.unflagCell(row, column);
                continue;
            }
            // Numbers are packed ASCII: read them without a QString.
            double value = qQNaN();
            const int length = cells.packedText(dataRow, column, packed);
            QString text;
            if (length >= 0) {
                const auto [end, error] = std::from_chars(packed, packed + length, value);
                if (error != std::errc() || end != packed + length)
                    value = qQNaN();
            } else {
                text = cells.text(dataRow, column);
                value = text.toDouble(&ok);
                if (!ok)
                    value = qQNaN();
            }
            const AlarmLimits::Check check
                = std::isfinite(value) ? limits.check(channel, value) : AlarmLimits::Check::Inside;
            const QAnyStringView shown = length >= 0
                ? QAnyStringView(QLatin1StringView(packed, length))
                : QAnyStringView(text);
            if (check == AlarmLimits::Check::Below)
                table.flagCell(row, column, kLowColour, lowTip(shown, *band.low));
            else if (check == AlarmLimits::Check::Above)
                table.flagCell(row, column, kHighColour, highTip(shown, *band.high));
            else if (alarmFlag)
                table.unflagCell(row, column);
        }
    }
    table.endFlagUpdate();
}

} // namespace AlarmFlags
