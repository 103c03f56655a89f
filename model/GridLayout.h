#pragma once

#include <QString>
#include <QStringList>

// The column layout of the result table for a channel range: "ID", one label
// per channel ("Ch 05", "Ch 12", "Ch 100"), "Unit". Each column also has a
// width text, its label followed by the blanks that widen the column.
struct GridLayout
{
    QStringList labels;
    QStringList widthTexts;

    int columnCount() const { return int(labels.size()); }
};

// Two digits for channels below 10 ("05"), plain decimal otherwise.
QString channelText(int channel);

// The layout for start to end. A range whose end lies below its start has no
// channel columns: ID and Unit alone.
GridLayout gridLayoutFor(int start, int end);
