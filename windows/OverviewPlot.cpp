#include "OverviewPlot.h"

#include "GridLayout.h"
#include "LiveData.h"

#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

QCPBars *makeBars(QCustomPlot *plot, const QColor &colour)
{
    auto *bars = new QCPBars(plot->xAxis, plot->yAxis);
    bars->setWidth(0.8);
    bars->setPen(QPen(colour.darker(130)));
    bars->setBrush(colour);
    return bars;
}

} // namespace

OverviewPlot::OverviewPlot(const LiveData &liveData, QWidget *parent)
    : QCustomPlot(parent), m_data(liveData)
{
    setObjectName(u"pltOverview"_s);
    const QPalette pal = palette();
    setBackground(pal.color(QPalette::Base));
    for (QCPAxis *axis : { xAxis, yAxis }) {
        axis->setBasePen(QPen(pal.color(QPalette::Text)));
        axis->setTickPen(QPen(pal.color(QPalette::Text)));
        axis->setSubTickPen(QPen(pal.color(QPalette::Text)));
        axis->setTickLabelColor(pal.color(QPalette::Text));
        axis->setLabelColor(pal.color(QPalette::Text));
    }
    xAxis->setLabel(tr("Channel"));

    m_bandLow = addGraph();
    m_bandHigh = addGraph();
    for (QCPGraph *band : { m_bandLow, m_bandHigh }) {
        band->setLineStyle(QCPGraph::lsStepCenter);
        band->setPen(QPen(QColor(40, 150, 60), 1, Qt::DashLine));
    }
    m_bandHigh->setBrush(QColor(40, 150, 60, 40));
    m_bandHigh->setChannelFillGraph(m_bandLow);

    QColor normal = pal.color(QPalette::Highlight);
    normal.setAlpha(110);
    m_normal = makeBars(this, normal);
    m_current = makeBars(this, pal.color(QPalette::Highlight));
    m_failing = makeBars(this, failureColour());
    m_alarm = makeBars(this, alarmColour());

    setMouseTracking(true);
    connect(this, &QCustomPlot::mouseMove, this, &OverviewPlot::showValueTip);
    connect(this, &QCustomPlot::mousePress, this, [this](QMouseEvent *event) {
        const int channel = int(std::lround(xAxis->pixelToCoord(event->position().x())));
        if (m_data.hasChannel(channel))
            Q_EMIT channelClicked(channel);
    });
    rebuild();
}

void OverviewPlot::rebuild()
{
    for (QCPItemText *label : std::as_const(m_labels))
        removeItem(label);
    m_labels.clear();
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    for (int channel = m_data.firstChannel(); channel <= m_data.lastChannel(); ++channel) {
        auto *label = new QCPItemText(this);
        label->setClipToAxisRect(true);
        label->position->setType(QCPItemPosition::ptPlotCoords);
        label->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setRotation(-90);
        label->setFont(font);
        label->setColor(palette().color(QPalette::Text));
        label->setPadding(QMargins(3, 0, 0, 0));
        m_labels << label;
        updateLabel(channel);
    }
    xAxis->setRange(m_data.firstChannel() - 0.6, m_data.lastChannel() + 0.6);
    thinLabels();
    refreshBars();
}

void OverviewPlot::resizeEvent(QResizeEvent *event)
{
    QCustomPlot::resizeEvent(event);
    thinLabels();
}

void OverviewPlot::thinLabels()
{
    if (m_labels.isEmpty())
        return;
    // The labels stand upright: each takes a line's height along the axis.
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    const double lineHeight = QFontMetricsF(font).height();
    const int plotWidth = axisRect()->width() > 0 ? axisRect()->width() : width();
    const double perChannel = double(plotWidth) / (double(m_labels.size()) + 0.2);
    const int step = perChannel > 0 ? int(std::ceil(lineHeight / perChannel)) : 1;
    m_labelStep = std::max(step, 1);
    for (qsizetype i = 0; i < m_labels.size(); ++i)
        m_labels.at(i)->setVisible(i % m_labelStep == 0);
}

void OverviewPlot::showValueTip(QMouseEvent *event)
{
    const int channel = int(std::lround(xAxis->pixelToCoord(event->position().x())));
    if (!m_data.hasChannel(channel) || !axisRect()->rect().contains(event->pos())) {
        QToolTip::hideText();
        return;
    }
    const QCPItemText *label = m_labels.value(channel - m_data.firstChannel());
    const QString value = label && !label->text().isEmpty() ? label->text() : tr("no reading");
    const ChannelNames &names = m_data.channelNames();
    QString tip = names.label(channel) + u": "_s + value + u'\n';
    if (const QString note = names.note(channel); !note.isEmpty())
        tip += note + u'\n';
    // Names come from outside: the tip must show them as typed, never as markup.
    QToolTip::showText(event->globalPosition().toPoint(),
                       ChannelNames::plainToolTip(
                           tip + tr("Click to add the channel to the trend or take it away.")),
                       this);
}

void OverviewPlot::updateLabel(int channel)
{
    const qsizetype index = channel - m_data.firstChannel();
    if (index < 0 || index >= m_labels.size())
        return;
    QCPItemText *label = m_labels.at(index);
    const ChannelHealth &health = m_data.health(channel);
    QString text;
    QColor colour = palette().color(QPalette::Text);
    if (health.failing) {
        text = m_data.latest(channel).givenUp ? tr("given up") : tr("failed");
        colour = failureColour();
    } else if (health.otherUnit) {
        text = health.lastText;
        colour = alarmColour();
    } else if (std::isfinite(health.last)) {
        text = QLocale::c().toString(health.last, 'g', 6);
        if (health.outOfBand)
            colour = alarmColour();
    }
    label->setText(text);
    label->setColor(colour);
    label->position->setCoords(channel, std::isfinite(health.last) ? health.last : 0.0);
}

void OverviewPlot::channelChanged(int channel)
{
    updateLabel(channel);
    refreshBars();
}

void OverviewPlot::refreshBars()
{
    rescaleValues();
    const QCPRange shown = yAxis->range();
    QList<double> keys[4];
    QList<double> values[4];
    QList<double> bandKeys;
    QList<double> lows;
    QList<double> highs;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const AlarmLimits &limits = m_data.alarmLimits();
    for (int channel = m_data.firstChannel(); channel <= m_data.lastChannel(); ++channel) {
        const ChannelHealth &health = m_data.health(channel);
        // A failing channel without a value still shows, as a stub at zero.
        const double value = std::isfinite(health.last) ? health.last : 0.0;
        int set = 0;
        if (health.failing)
            set = 2;
        else if (health.outOfBand)
            set = 3;
        else if (channel == m_data.currentChannel())
            set = 1;
        if (std::isfinite(health.last) || health.failing) {
            keys[set] << channel;
            values[set] << value;
        }
        const AlarmLimits::Band band = limits.band(channel);
        bandKeys << channel;
        if (band.isSet()) {
            // An open side of the band reaches the plot's edge.
            lows << band.low.value_or(shown.lower);
            highs << band.high.value_or(shown.upper);
        } else {
            lows << nan;
            highs << nan;
        }
    }
    QCPBars *bars[4] = { m_normal, m_current, m_failing, m_alarm };
    for (int i = 0; i < 4; ++i)
        bars[i]->setData(keys[i], values[i], true);
    m_bandLow->setData(bandKeys, lows, true);
    m_bandHigh->setData(bandKeys, highs, true);
    const QString unit = m_data.scanUnit();
    yAxis->setLabel(unit.isEmpty() ? tr("Value") : tr("Value (") + unit + u')');
}

void OverviewPlot::rescaleValues()
{
    double low = 0;
    double high = 0;
    bool any = false;
    const AlarmLimits &limits = m_data.alarmLimits();
    auto take = [&](double value) {
        if (!std::isfinite(value))
            return;
        low = any ? std::min(low, value) : std::min(0.0, value);
        high = any ? std::max(high, value) : std::max(0.0, value);
        any = true;
    };
    for (int channel = m_data.firstChannel(); channel <= m_data.lastChannel(); ++channel) {
        take(m_data.health(channel).last);
        const AlarmLimits::Band band = limits.band(channel);
        if (band.low)
            take(*band.low);
        if (band.high)
            take(*band.high);
    }
    if (!any || high - low <= 0) {
        high = low + 1;
    }
    // Room above the bars for their upright labels.
    const double span = high - low;
    yAxis->setRange(low - (low < 0 ? span * 0.3 : 0.0), high + span * 0.3);
}
