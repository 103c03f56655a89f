#pragma once

#include <QWidget>

class ChannelHealthModel;
class Dialogs;
class LiveData;
class OverviewPlot;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTableView;
class QTimer;
class SettingsStore;
class TrendPlot;

// The live view: the latest reading of every channel (Overview), the chosen
// channels over the scan (Trend) and each channel's health figures (Channel
// health). It only follows a LiveData, so it works the same during a scan,
// after it, and for a table opened from a file. Non-modal; remembers its
// geometry, its tab, its trend channels and whether it was open.
class frmLiveView : public QWidget
{
    Q_OBJECT
public:
    enum Tab { OverviewTab, TrendTab, HealthTab };

    frmLiveView(LiveData &liveData, SettingsStore &settings, Dialogs &dialogs,
                QWidget *parent = nullptr);
    ~frmLiveView() override;

    // Whether the window was open when the program last ended.
    static bool wasOpen(const SettingsStore &settings);
    // Whether the user has placed the window before (its geometry is stored).
    static bool wasPlaced(const SettingsStore &settings);
    // Where a window of size opens beside the main window's frame on the screen
    // rather than over it: on the side with more room, narrowed to fit; over it
    // only where the screen is too small for both.
    static QRect besideFrame(const QRect &mainFrame, const QSize &size, const QRect &screen);
    // Stores geometry, tab, trend channels and whether the window is open; the
    // main window calls it as the program ends (closing the window stores "closed").
    void saveState();

    void setTab(Tab tab);
    // Adds the channel to the trend, or removes it when it is there.
    void toggleTrendChannel(int channel);
    // Shows the channel in the trend, as a click on its column header asks.
    void showInTrend(int channel);
    void setTrendChannels(const QList<int> &channels);
    QList<int> trendChannels() const;

    // Draws the shown pane now rather than at the next redraw.
    void replotNow();
    // PNG, SVG or PDF by suffix; false with *error set when it cannot be written.
    bool exportTrend(const QString &path, QString *error);

    OverviewPlot *overviewPlot() const { return m_overview; }
    TrendPlot *trendPlot() const { return m_trend; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void rebuild();
    void readingAdded(int channel);
    void fillChannelList();
    void channelItemChanged(QListWidgetItem *item);
    void exportClicked();
    void scheduleReplot();
    void replotVisible();

    LiveData &m_data;
    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    QTabWidget *m_tabs = nullptr;
    OverviewPlot *m_overview = nullptr;
    TrendPlot *m_trend = nullptr;
    QListWidget *m_channelList = nullptr;
    QLabel *m_readout = nullptr;
    QLabel *m_summary = nullptr;
    QTableView *m_healthView = nullptr;
    ChannelHealthModel *m_healthModel = nullptr;
    QTimer *m_redraw = nullptr;
    bool m_overviewDirty = false;
    bool m_trendDirty = false;
    bool m_fillingList = false;
};
