#include "GridLayout.h"

using namespace Qt::StringLiterals;

QString channelText(int channel)
{
    return channel >= 0 && channel < 10 ? u"0"_s + QString::number(channel)
                                        : QString::number(channel);
}

GridLayout gridLayoutFor(int start, int end)
{
    GridLayout layout;
    layout.labels << u"ID"_s;
    layout.widthTexts << u"ID      "_s;
    for (int channel = start; channel <= end; ++channel) {
        const QString label = u"Ch "_s + channelText(channel);
        layout.labels << label;
        layout.widthTexts << label + u"    "_s;
    }
    layout.labels << u"Unit"_s;
    layout.widthTexts << u"Unit        "_s;
    return layout;
}
