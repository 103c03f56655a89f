#pragma once

#include "LiveData.h"
#include "QCustomPlotInclude.h"

#include <QList>

#include <vector>

class QLabel;

// The chosen channels against time (or pass number for a table), with mouse zoom
// and pan, a legend and a crosshair. The graphs hold only what the view needs:
// the points in and around the shown range, and where those are many more than
// the plot has pixels, each bucket's minimum and maximum (from the live data's
// summary), so that a spike stays visible and a replot costs the same at a
// thousand points or a million.
class TrendPlot : public QCustomPlot
{
    Q_OBJECT
public:
    explicit TrendPlot(const LiveData &liveData, QWidget *parent = nullptr);

    void setChannels(const QList<int> &channels);
    QList<int> channels() const;
    // Rebuilds after the range, axis or data changed wholesale.
    void rebuild();
    // A reading was added; appends it if its channel is shown.
    void channelChanged(int channel);
    // Shows all the data and follows new readings again.
    void autoscale();
    bool isFollowing() const { return m_follow; }
    // Shows keys from..to and stops following, as a zoom with the mouse does.
    void showRange(double from, double to);
    // Points held by the graphs, for the benchmark.
    qsizetype pointsHeld() const;

    // PNG, SVG or PDF by the path's suffix; false with *error set on failure.
    bool exportTo(const QString &path, QString *error);

    static QColor traceColour(int index);

Q_SIGNALS:
    // The crosshair's readout, as text for a label.
    void readoutChanged(const QString &text);

private:
    struct Trace
    {
        int channel;
        QCPGraph *graph;
    };

    void updateUnitLabel();
    // Without a channel or a reading, a hint in place of an empty axis.
    void updateHint();
    void reloadAll();
    void reload(Trace &trace);
    void userMovedView();
    void xRangeChanged(const QCPRange &range);
    void showReadout(QMouseEvent *event);
    void followData();
    QString keyText(double key) const;
    int bucketCount() const;

    const LiveData &m_data;
    QList<Trace> m_traces;
    QCPItemStraightLine *m_cursor = nullptr;
    QCPItemText *m_hint = nullptr;
    QSharedPointer<QCPAxisTicker> m_numberTicker;
    QSharedPointer<QCPAxisTickerDateTime> m_timeTicker;
    bool m_follow = true;
    bool m_settingRange = false;
    // The key range the graphs were loaded for, and the shown width then.
    QCPRange m_loaded;
    double m_loadedWidth = 0;
    qsizetype m_appendedSinceLoad = 0;
    // Reused for every reload, so that a zoom does not allocate per trace.
    std::vector<TrendPoint> m_points;
};
