#pragma once

#include "QCustomPlotInclude.h"

#include <QList>

class LiveData;

// A bar per channel of the range with the latest value in the scan's unit and its
// label; the channel being read highlighted, failing channels in the failure
// colour, readings outside their limits in the alarm colour, limits as a band.
class OverviewPlot : public QCustomPlot
{
    Q_OBJECT
public:
    explicit OverviewPlot(const LiveData &liveData, QWidget *parent = nullptr);

    // Rebuilds the labels, bands and bars after the range changed.
    void rebuild();
    // Bars and bands again after limits or the current channel changed.
    void refreshBars();
    // One channel's reading changed: its label and the bars.
    void channelChanged(int channel);

    // The labels shown: at most one per label's height along the axis, so that
    // at 100 channels they never run together; the rest show on hover.
    int labelStep() const { return m_labelStep; }

    static QColor failureColour() { return { 200, 40, 40 }; }
    static QColor alarmColour() { return { 230, 140, 0 }; }

Q_SIGNALS:
    void channelClicked(int channel);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateLabel(int channel);
    void rescaleValues();
    void thinLabels();
    void showValueTip(QMouseEvent *event);

    const LiveData &m_data;
    QCPBars *m_normal = nullptr;
    QCPBars *m_current = nullptr;
    QCPBars *m_failing = nullptr;
    QCPBars *m_alarm = nullptr;
    QCPGraph *m_bandLow = nullptr;
    QCPGraph *m_bandHigh = nullptr;
    QList<QCPItemText *> m_labels;
    int m_labelStep = 1;
};
