#pragma once

#include "Reading.h"

#include <QCoreApplication>
#include <QString>

// The settle check of a scan: after the reading's query, the selected channel
// is queried again until two consecutive replies differ by no more than the
// tolerance (in the scan's unit), at most maxExtraQueries times and within the
// tick. Off, the scan writes exactly the commands it always wrote.
//
// Two close replies say the pressure changes slowly, not that it has arrived:
// for a pressure that approaches its value exponentially, what is left is the
// difference times about tau / spacing. The replies are at least the link's
// echo window apart, so a channel whose time constant is well above that
// needs a tolerance below its step divided by that ratio.
struct SettleCheck
{
    bool on = false;
    double tolerance = 0;
    int maxExtraQueries = 3;

    static constexpr int kMostExtraQueries = 50;

    bool active() const { return on && maxExtraQueries > 0 && tolerance >= 0; }
};

class SettleText
{
    Q_DECLARE_TR_FUNCTIONS(SettleText)
public:
    // The tool tip of a cell whose reading did not settle.
    static QString unsettledTip(const Reading &reading);
};
