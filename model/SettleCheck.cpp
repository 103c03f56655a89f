#include "SettleCheck.h"

#include <QLocale>

#include <cmath>

QString SettleText::unsettledTip(const Reading &reading)
{
    const QString taken = tr("%n queries, %1 ms after the select", nullptr, reading.settleQueries)
                              .arg(reading.settleMs);
    if (!std::isfinite(reading.settleSpread))
        return tr("not settled: no time for a second reply (%1)").arg(taken);
    return tr("not settled: the last two replies differ by %1 %2 (%3)")
        .arg(QLocale().toString(reading.settleSpread, 'g', 6), reading.unit, taken);
}
