#include "MainReadouts.h"

#include "FrameGeometry.h"
#include "GridLayout.h"
#include "Twips.h"

#include <QLabel>

#include <algorithm>

using namespace FrameGeometry;

MainReadouts::MainReadouts(QLabel *pressure, QLabel *unit, QLabel *channel, QObject *parent)
    : QObject(parent), m_pressure(pressure), m_unit(unit), m_channel(channel)
{ }

void MainReadouts::showPressure(const QString &value)
{
    // A long value is shown in a smaller type rather than cut off on the left,
    // where its sign is.
    QFont font = namedFont(18, false);
    const int room = m_pressure->contentsRect().width() - 4;
    const int needed = QFontMetrics(font).horizontalAdvance(value);
    if (needed > room && room > 0)
        font.setPointSizeF(std::max(6.0, 18.0 * room / needed));
    m_pressure->setFont(font);
    m_pressure->setText(value);
    m_pressure->setToolTip({});
}

void MainReadouts::showUnit(const QString &unit)
{
    m_unit->setText(unit);
    m_unit->adjustSize();
}

void MainReadouts::showChannel(int channel)
{
    m_channel->setText(channelText(channel));
    m_channel->adjustSize();
    m_channel->move(twipsToPixels((kChannelFrameWidth - pixelsToTwips(m_channel->width())) / 2),
                    m_channel->y());
}

void MainReadouts::clearPressure()
{
    m_pressure->clear();
    m_pressure->setToolTip({});
}

void MainReadouts::showZeroed(const QString &value, const QString &mark)
{
    showPressure(value);
    m_pressure->setToolTip(mark);
}

void MainReadouts::showReading(const Reading &reading)
{
    if (reading.taken()) {
        showPressure(reading.value);
        showUnit(reading.unit);
    } else if (reading.status != Reading::Status::LineLost) {
        clearPressure();
    }
}
