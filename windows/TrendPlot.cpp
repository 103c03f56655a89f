#include "TrendPlot.h"

#include "GridLayout.h"
#include "LiveData.h"

#include <QSvgGenerator>

#include <algorithm>

using namespace Qt::StringLiterals;

TrendPlot::TrendPlot(const LiveData &liveData, QWidget *parent)
    : QCustomPlot(parent)
    , m_data(liveData)
    , m_numberTicker(new QCPAxisTicker)
    , m_timeTicker(new QCPAxisTickerDateTime)
{
    setObjectName(u"pltTrend"_s);
    const QPalette pal = palette();
    setBackground(pal.color(QPalette::Base));
    for (QCPAxis *axis : { xAxis, yAxis }) {
        axis->setBasePen(QPen(pal.color(QPalette::Text)));
        axis->setTickPen(QPen(pal.color(QPalette::Text)));
        axis->setSubTickPen(QPen(pal.color(QPalette::Text)));
        axis->setTickLabelColor(pal.color(QPalette::Text));
        axis->setLabelColor(pal.color(QPalette::Text));
    }
    m_timeTicker->setDateTimeSpec(Qt::LocalTime);
    m_timeTicker->setDateTimeFormat(u"HH:mm:ss\nyyyy-MM-dd"_s);
    legend->setVisible(true);
    legend->setBrush(pal.color(QPalette::Base));
    legend->setTextColor(pal.color(QPalette::Text));
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);

    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    // Any zoom or pan by the user stops following the newest readings.
    connect(this, &QCustomPlot::mousePress, this, &TrendPlot::userMovedView);
    connect(this, &QCustomPlot::mouseWheel, this, &TrendPlot::userMovedView);
    connect(xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &TrendPlot::xRangeChanged);

    // The crosshair lives on its own buffered layer, so moving it repaints only itself.
    addLayer(u"cursor"_s, layer(u"overlay"_s), QCustomPlot::limBelow);
    layer(u"cursor"_s)->setMode(QCPLayer::lmBuffered);
    m_cursor = new QCPItemStraightLine(this);
    m_cursor->setLayer(u"cursor"_s);
    m_cursor->setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DashLine));
    m_cursor->setVisible(false);
    setMouseTracking(true);
    connect(this, &QCustomPlot::mouseMove, this, &TrendPlot::showReadout);

    m_hint = new QCPItemText(this);
    m_hint->setObjectName(u"txtTrendHint"_s);
    m_hint->position->setType(QCPItemPosition::ptAxisRectRatio);
    m_hint->position->setCoords(0.5, 0.5);
    m_hint->setPositionAlignment(Qt::AlignCenter);
    m_hint->setColor(pal.color(QPalette::Text));
    rebuild();
}

QColor TrendPlot::traceColour(int index)
{
    static const QColor colours[] = {
        { 31, 119, 180 }, { 255, 127, 14 },  { 44, 160, 44 },   { 214, 39, 40 },  { 148, 103, 189 },
        { 140, 86, 75 },  { 227, 119, 194 }, { 127, 127, 127 }, { 188, 189, 34 }, { 23, 190, 207 },
    };
    return colours[index % std::size(colours)];
}

QList<int> TrendPlot::channels() const
{
    QList<int> list;
    for (const Trace &trace : m_traces)
        list << trace.channel;
    return list;
}

void TrendPlot::setChannels(const QList<int> &channels)
{
    if (channels == this->channels())
        return;
    for (const Trace &trace : std::as_const(m_traces))
        removeGraph(trace.graph);
    m_traces.clear();
    for (int channel : channels) {
        if (!m_data.hasChannel(channel))
            continue;
        QCPGraph *graph = addGraph();
        graph->setName(m_data.channelNames().label(channel, ChannelNames::kShortNameLength));
        // A one-pixel pen without antialiasing: a dense trace drawn with a wider or
        // smoothed pen costs the rasteriser tens of milliseconds a replot.
        graph->setPen(QPen(traceColour(int(m_traces.size())), 1));
        graph->setAntialiased(false);
        graph->setAdaptiveSampling(true);
        m_traces << Trace { channel, graph };
    }
    if (m_follow)
        followData();
    else
        reloadAll();
    updateHint();
    replot(rpQueuedReplot);
}

void TrendPlot::rebuild()
{
    const bool time = m_data.axis() == LiveData::Axis::Time;
    xAxis->setTicker(time ? QSharedPointer<QCPAxisTicker>(m_timeTicker) : m_numberTicker);
    xAxis->setLabel(time ? tr("Time") : tr("Pass"));
    updateUnitLabel();
    QList<int> kept;
    for (const Trace &trace : std::as_const(m_traces)) {
        if (m_data.hasChannel(trace.channel))
            kept << trace.channel;
    }
    const QList<int> before = channels();
    if (kept != before) {
        setChannels(kept);
    }
    // Another scan may have named the same channels otherwise.
    for (const Trace &trace : std::as_const(m_traces))
        trace.graph->setName(
            m_data.channelNames().label(trace.channel, ChannelNames::kShortNameLength));
    m_follow = true;
    followData();
    replot(rpQueuedReplot);
}

void TrendPlot::autoscale()
{
    m_follow = true;
    followData();
    replot();
}

void TrendPlot::showRange(double from, double to)
{
    m_follow = false;
    xAxis->setRange(from, to);
}

void TrendPlot::userMovedView()
{
    m_follow = false;
}

int TrendPlot::bucketCount() const
{
    // Two points per bucket: about one bucket per pixel of the plot's width.
    return std::max(axisRect()->width(), 200);
}

// Shows every point of the chosen channels, loading them at the plot's resolution.
void TrendPlot::followData()
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const Trace &trace : std::as_const(m_traces)) {
        double first = 0;
        double last = 0;
        if (!m_data.trendKeys(trace.channel, &first, &last))
            continue;
        low = std::min(low, first);
        high = std::max(high, last);
    }
    if (!std::isfinite(low)) {
        low = 0;
        high = 1;
    } else if (high <= low) {
        high = low + 1;
    }
    m_settingRange = true;
    xAxis->setRange(low, high);
    m_settingRange = false;
    reloadAll();
    bool found = false;
    const QCPRange values
        = m_traces.isEmpty() ? QCPRange() : m_traces.first().graph->getValueRange(found);
    QCPRange all = found ? values : QCPRange(0, 1);
    for (const Trace &trace : std::as_const(m_traces)) {
        bool ok = false;
        const QCPRange range = trace.graph->getValueRange(ok);
        if (ok)
            all.expand(range);
    }
    if (all.size() <= 0)
        all = QCPRange(all.lower - 0.5, all.upper + 0.5);
    const double margin = all.size() * 0.05;
    yAxis->setRange(all.lower - margin, all.upper + margin);
    updateHint();
}

void TrendPlot::xRangeChanged(const QCPRange &range)
{
    if (m_settingRange)
        return;
    // Reload when the view leaves what is loaded or its scale changes much.
    if (range.lower < m_loaded.lower || range.upper > m_loaded.upper
        || range.size() < m_loadedWidth / 1.5 || range.size() > m_loadedWidth * 1.5)
        reloadAll();
}

void TrendPlot::reloadAll()
{
    const QCPRange shown = xAxis->range();
    // A screen's width either side, so that a pan does not reload at once.
    m_loaded = m_follow ? QCPRange(-std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::infinity())
                        : QCPRange(shown.lower - shown.size(), shown.upper + shown.size());
    m_loadedWidth = shown.size();
    m_appendedSinceLoad = 0;
    for (Trace &trace : m_traces)
        reload(trace);
}

void TrendPlot::reload(Trace &trace)
{
    // Buckets over the loaded range: three screens when panning, one when following.
    const int buckets = bucketCount() * (m_follow ? 1 : 3);
    m_data.trendPoints(trace.channel, m_loaded.lower, m_loaded.upper, buckets, &m_points);
    QList<QCPGraphData> points;
    points.reserve(qsizetype(m_points.size()));
    for (const TrendPoint &point : m_points)
        points.append(QCPGraphData(point.key, point.value));
    trace.graph->data()->set(points, true);
}

void TrendPlot::updateHint()
{
    bool anyPoint = false;
    for (const Trace &trace : std::as_const(m_traces)) {
        double first = 0;
        double last = 0;
        anyPoint = anyPoint || m_data.trendKeys(trace.channel, &first, &last);
    }
    m_hint->setText(m_traces.isEmpty() ? tr("Choose channels in the list to see their trend.")
                                       : tr("No readings yet."));
    m_hint->setVisible(!anyPoint);
    // An axis without data would show 1970 or made-up numbers.
    xAxis->setTickLabels(anyPoint);
    yAxis->setTickLabels(anyPoint);
    legend->setVisible(!m_traces.isEmpty());
}

void TrendPlot::updateUnitLabel()
{
    const QString unit = m_data.scanUnit();
    const QString label = unit.isEmpty() ? tr("Value") : tr("Value (") + unit + u')';
    if (yAxis->label() != label)
        yAxis->setLabel(label);
}

void TrendPlot::channelChanged(int channel)
{
    updateUnitLabel();
    if (m_hint->visible())
        updateHint();
    for (Trace &trace : m_traces) {
        if (trace.channel != channel)
            continue;
        TrendPoint point;
        if (!m_data.latestPoint(channel, &point))
            return;
        // Only a new point in the scan's unit extends the series.
        if (!trace.graph->data()->isEmpty()
            && (trace.graph->data()->constEnd() - 1)->key >= point.key)
            return;
        if (point.key > m_loaded.upper)
            return;
        trace.graph->addData(point.key, point.value);
        ++m_appendedSinceLoad;
    }
    if (!m_follow)
        return;
    // Raw points pile up at the end while following; thin them out again from time
    // to time, so a replot stays cheap however long the scan runs.
    if (m_appendedSinceLoad > qsizetype(bucketCount()) * 2)
        followData();
    else {
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        QCPRange values;
        bool anyValue = false;
        for (const Trace &trace : std::as_const(m_traces)) {
            double first = 0;
            double last = 0;
            TrendPoint point;
            if (!m_data.trendKeys(trace.channel, &first, &last)
                || !m_data.latestPoint(trace.channel, &point))
                continue;
            low = std::min(low, first);
            high = std::max(high, last);
            if (anyValue)
                values.expand(point.value);
            else
                values = QCPRange(point.value, point.value);
            anyValue = true;
        }
        if (!std::isfinite(low))
            return;
        m_settingRange = true;
        xAxis->setRange(low, std::max(high, low + 1));
        m_settingRange = false;
        const QCPRange shown = yAxis->range();
        if (anyValue && (values.lower < shown.lower || values.upper > shown.upper)) {
            QCPRange all = shown;
            all.expand(values);
            const double margin = all.size() * 0.05;
            yAxis->setRange(all.lower - margin, all.upper + margin);
        }
    }
}

qsizetype TrendPlot::pointsHeld() const
{
    qsizetype points = 0;
    for (const Trace &trace : m_traces)
        points += trace.graph->data()->size();
    return points;
}

QString TrendPlot::keyText(double key) const
{
    if (m_data.axis() == LiveData::Axis::Pass)
        return tr("pass ") + QString::number(qint64(std::llround(key)));
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(key * 1000)))
        .toLocalTime()
        .toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
}

void TrendPlot::showReadout(QMouseEvent *event)
{
    if (!axisRect()->rect().contains(event->pos())) {
        if (m_cursor->visible()) {
            m_cursor->setVisible(false);
            layer(u"cursor"_s)->replot();
            Q_EMIT readoutChanged({});
        }
        return;
    }
    const double key = xAxis->pixelToCoord(event->position().x());
    m_cursor->point1->setCoords(key, 0);
    m_cursor->point2->setCoords(key, 1);
    m_cursor->setVisible(true);
    layer(u"cursor"_s)->replot();

    QStringList parts { keyText(key) };
    for (const Trace &trace : std::as_const(m_traces)) {
        // The reading nearest the cursor.
        TrendPoint point;
        if (m_data.nearestPoint(trace.channel, key, &point))
            parts << trace.graph->name() + u": "_s + QLocale::c().toString(point.value, 'g', 6);
    }
    Q_EMIT readoutChanged(parts.join(u"   "_s));
}

bool TrendPlot::exportTo(const QString &path, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool saved = false;
    if (suffix == u"png"_s) {
        saved = savePng(path);
    } else if (suffix == u"pdf"_s) {
        saved = savePdf(path);
    } else if (suffix == u"svg"_s) {
        QSvgGenerator generator;
        generator.setFileName(path);
        generator.setSize(size());
        generator.setViewBox(rect());
        generator.setTitle(tr("Trend"));
        QCPPainter painter;
        saved = painter.begin(&generator);
        if (saved) {
            toPainter(&painter, width(), height());
            saved = painter.end();
        }
        saved = saved && QFileInfo(path).size() > 0;
    } else {
        if (error)
            *error = tr("Cannot export as \"%1\": choose a PNG, SVG or PDF file.").arg(suffix);
        return false;
    }
    if (!saved && error)
        *error = tr("Cannot write %1.").arg(QDir::toNativeSeparators(path));
    return saved;
}
