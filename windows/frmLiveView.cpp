#include "frmLiveView.h"

#include "ChannelHealthModel.h"
#include "Dialogs.h"
#include "GridLayout.h"
#include "LiveData.h"
#include "OverviewPlot.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TrendPlot.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The plots redraw at most this often: a redraw costs milliseconds, a reading
// microseconds, and the eye gains nothing from more than about twenty a second.
constexpr std::chrono::milliseconds kRedrawInterval { 50 };

} // namespace

frmLiveView::frmLiveView(LiveData &liveData, SettingsStore &settings, Dialogs &dialogs,
                         QWidget *parent)
    : QWidget(parent, Qt::Window), m_data(liveData), m_settings(settings), m_dialogs(dialogs)
{
    setObjectName(u"frmLiveView"_s);
    setWindowTitle(tr("Live View"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"tabLiveView"_s);
    m_overview = new OverviewPlot(liveData, m_tabs);
    m_tabs->addTab(m_overview, tr("Overview"));

    auto *trendPane = new QSplitter(Qt::Horizontal, m_tabs);
    trendPane->setObjectName(u"splTrend"_s);
    m_channelList = new QListWidget(trendPane);
    m_channelList->setObjectName(u"lstTrendChannels"_s);
    auto *plotPane = new QWidget(trendPane);
    plotPane->setObjectName(u"pnlTrendPlot"_s);
    auto *buttons = new QHBoxLayout;
    auto *cmdAutoscale = new QPushButton(tr("&Autoscale"), plotPane);
    cmdAutoscale->setObjectName(u"cmdAutoscale"_s);
    cmdAutoscale->setToolTip(tr("Show the whole scan and follow new readings"));
    auto *cmdExport = new QPushButton(tr("&Export..."), plotPane);
    cmdExport->setObjectName(u"cmdExport"_s);
    cmdExport->setToolTip(tr("Save the trend as a PNG, SVG or PDF file"));
    m_readout = new QLabel(plotPane);
    m_readout->setObjectName(u"lblReadout"_s);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buttons->addWidget(cmdAutoscale);
    buttons->addWidget(cmdExport);
    buttons->addWidget(m_readout, 1);
    m_trend = new TrendPlot(liveData, plotPane);
    auto *plotLayout = new QVBoxLayout(plotPane);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addLayout(buttons);
    plotLayout->addWidget(m_trend, 1);
    trendPane->addWidget(m_channelList);
    trendPane->addWidget(plotPane);
    trendPane->setStretchFactor(1, 1);
    trendPane->setSizes({ fontMetrics().horizontalAdvance(u"Ch 100 MMMM"_s), 600 });
    m_tabs->addTab(trendPane, tr("Trend"));

    m_healthModel = new ChannelHealthModel(liveData, this);
    m_healthView = new QTableView(m_tabs);
    m_healthView->setObjectName(u"grdHealth"_s);
    m_healthView->setModel(m_healthModel);
    m_healthView->verticalHeader()->hide();
    m_healthView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_healthView->setWordWrap(false);
    // Widths from sample texts: sizing to contents would measure every cell at every reading.
    const QStringList samples { u"Ch 100"_s,
                                u"-0000.000 kgf/cm2"_s,
                                u"-0.00000e-00"_s,
                                u"-0.00000e-00"_s,
                                u"-0.00000e-00"_s,
                                u"-0.00000e-00"_s,
                                u"00000000"_s,
                                u"00000000"_s,
                                u"00000000"_s,
                                u"00000000"_s,
                                u"00000000"_s,
                                u"unreadable reply: 0000000"_s,
                                u"0000-00-00 00:00:00.000"_s };
    for (int column = 0; column < samples.size(); ++column) {
        const QString header
            = m_healthModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        m_healthView->setColumnWidth(column,
                                     std::max(fontMetrics().horizontalAdvance(samples.at(column)),
                                              fontMetrics().horizontalAdvance(header))
                                         + 16);
    }
    m_healthView->horizontalHeader()->setStretchLastSection(true);
    m_healthView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabs->addTab(m_healthView, tr("Channel health"));

    m_summary = new QLabel(this);
    m_summary->setObjectName(u"lblSummary"_s);
    m_summary->setText(liveData.statusSummary());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_summary);

    m_redraw = new QTimer(this);
    m_redraw->setSingleShot(true);
    m_redraw->setInterval(kRedrawInterval);
    connect(m_redraw, &QTimer::timeout, this, &frmLiveView::replotVisible);

    connect(&liveData, &LiveData::rangeReset, this, &frmLiveView::rebuild);
    connect(&liveData, &LiveData::readingAdded, this, &frmLiveView::readingAdded);
    connect(&liveData, &LiveData::currentChannelChanged, this, [this] {
        m_overview->refreshBars();
        m_overviewDirty = true;
        scheduleReplot();
    });
    connect(&liveData, &LiveData::alarmLimitsChanged, this, [this] {
        m_overview->refreshBars();
        m_overviewDirty = true;
        scheduleReplot();
    });
    connect(&liveData, &LiveData::figuresChanged, this, [this] {
        m_overview->rebuild();
        m_overviewDirty = true;
        scheduleReplot();
    });
    connect(&liveData, &LiveData::statusSummaryChanged, m_summary, &QLabel::setText);
    connect(m_overview, &OverviewPlot::channelClicked, this, &frmLiveView::toggleTrendChannel);
    connect(m_channelList, &QListWidget::itemChanged, this, &frmLiveView::channelItemChanged);
    connect(m_trend, &TrendPlot::readoutChanged, m_readout, &QLabel::setText);
    connect(cmdAutoscale, &QPushButton::clicked, m_trend, &TrendPlot::autoscale);
    connect(cmdExport, &QPushButton::clicked, this, &frmLiveView::exportClicked);
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmLiveView::replotVisible);

    resize(900, 560);
    const QByteArray geometry = QByteArray::fromBase64(
        settings.value(SettingsKeys::kLiveView, SettingsKeys::kLiveViewGeometry, {}).toLatin1());
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    m_tabs->setCurrentIndex(std::clamp(
        settings.value(SettingsKeys::kLiveView, SettingsKeys::kLiveViewTab, u"0"_s).toInt(), 0,
        m_tabs->count() - 1));
    fillChannelList();
    QList<int> channels;
    const QStringList stored
        = settings.value(SettingsKeys::kLiveView, SettingsKeys::kLiveViewTrendChannels, {})
              .split(u',', Qt::SkipEmptyParts);
    for (const QString &text : stored)
        channels << text.toInt();
    setTrendChannels(channels);
}

frmLiveView::~frmLiveView() = default;

bool frmLiveView::wasOpen(const SettingsStore &settings)
{
    return settings.value(SettingsKeys::kLiveView, SettingsKeys::kLiveViewOpen, u"0"_s) == u"1"_s;
}

bool frmLiveView::wasPlaced(const SettingsStore &settings)
{
    return !settings.value(SettingsKeys::kLiveView, SettingsKeys::kLiveViewGeometry, {}).isEmpty();
}

QRect frmLiveView::besideFrame(const QRect &mainFrame, const QSize &size, const QRect &screen)
{
    constexpr int kGap = 8;
    constexpr int kNarrowest = 400;
    const int roomRight = screen.right() - mainFrame.right() - kGap;
    const int roomLeft = mainFrame.left() - screen.left() - kGap;
    const int room = std::max(roomRight, roomLeft);
    const int height = std::min(size.height(), screen.height());
    const int top = std::clamp(mainFrame.top(), screen.top(), screen.bottom() + 1 - height);
    if (room < kNarrowest) {
        // No room beside it: at the screen's right edge, covering as little as can be.
        const int width = std::min(size.width(), screen.width());
        return QRect(screen.right() + 1 - width, top, width, height);
    }
    const int width = std::min(size.width(), room);
    const int left
        = roomRight >= roomLeft ? mainFrame.right() + 1 + kGap : mainFrame.left() - kGap - width;
    return QRect(left, top, width, height);
}

void frmLiveView::saveState()
{
    m_settings.setValue(SettingsKeys::kLiveView, SettingsKeys::kLiveViewGeometry,
                        QString::fromLatin1(saveGeometry().toBase64()));
    m_settings.setValue(SettingsKeys::kLiveView, SettingsKeys::kLiveViewOpen,
                        isVisible() ? u"1"_s : u"0"_s);
    m_settings.setValue(SettingsKeys::kLiveView, SettingsKeys::kLiveViewTab,
                        QString::number(m_tabs->currentIndex()));
    QStringList channels;
    for (int channel : trendChannels())
        channels << QString::number(channel);
    m_settings.setValue(SettingsKeys::kLiveView, SettingsKeys::kLiveViewTrendChannels,
                        channels.join(u','));
}

void frmLiveView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_settings.setValue(SettingsKeys::kLiveView, SettingsKeys::kLiveViewOpen, u"1"_s);
    // A table opened while the window was closed is read now (rebuilding the panes).
    if (m_data.isPending())
        m_data.loadPending();
    replotVisible();
}

void frmLiveView::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    hide();
    saveState();
}

void frmLiveView::setTab(Tab tab)
{
    m_tabs->setCurrentIndex(int(tab));
}

void frmLiveView::rebuild()
{
    // A table that arrives while the window is shown is read at once; loading
    // rebuilds again.
    if (m_data.isPending() && isVisible()) {
        m_data.loadPending();
        return;
    }
    m_overview->rebuild();
    fillChannelList();
    m_trend->rebuild();
    if (m_trend->channels().isEmpty() && m_data.channelCount() > 0)
        setTrendChannels({ m_data.firstChannel() });
    m_summary->setText(m_data.statusSummary());
    m_overviewDirty = m_trendDirty = true;
    scheduleReplot();
}

void frmLiveView::readingAdded(int channel)
{
    m_overview->channelChanged(channel);
    m_overviewDirty = true;
    m_trend->channelChanged(channel);
    m_trendDirty = true;
    scheduleReplot();
}

void frmLiveView::fillChannelList()
{
    const QList<int> checked = trendChannels();
    m_fillingList = true;
    m_channelList->clear();
    // Names widen the channel column: measured once per scan, not per reading.
    int widest = fontMetrics().horizontalAdvance(u"Ch 100"_s);
    for (int channel = m_data.firstChannel(); channel <= m_data.lastChannel(); ++channel)
        widest = std::max(widest,
                          fontMetrics().horizontalAdvance(m_data.channelNames().label(
                              channel, ChannelNames::kShortNameLength)));
    m_healthView->setColumnWidth(
        ChannelHealthModel::Channel,
        std::max(m_healthView->columnWidth(ChannelHealthModel::Channel), widest + 16));
    for (int channel = m_data.firstChannel(); channel <= m_data.lastChannel(); ++channel) {
        auto *item = new QListWidgetItem(
            m_data.channelNames().label(channel, ChannelNames::kShortNameLength), m_channelList);
        item->setToolTip(m_data.channelNames().toolTip(channel));
        item->setData(Qt::UserRole, channel);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(channel) ? Qt::Checked : Qt::Unchecked);
    }
    m_fillingList = false;
}

void frmLiveView::channelItemChanged(QListWidgetItem *item)
{
    if (m_fillingList)
        return;
    const int channel = item->data(Qt::UserRole).toInt();
    QList<int> channels = m_trend->channels();
    if (item->checkState() == Qt::Checked && !channels.contains(channel))
        channels << channel;
    else if (item->checkState() != Qt::Checked)
        channels.removeAll(channel);
    m_trend->setChannels(channels);
    m_trendDirty = true;
    scheduleReplot();
}

void frmLiveView::setTrendChannels(const QList<int> &channels)
{
    m_trend->setChannels(channels);
    m_fillingList = true;
    const QList<int> shown = m_trend->channels();
    for (int row = 0; row < m_channelList->count(); ++row) {
        QListWidgetItem *item = m_channelList->item(row);
        item->setCheckState(shown.contains(item->data(Qt::UserRole).toInt()) ? Qt::Checked
                                                                             : Qt::Unchecked);
    }
    m_fillingList = false;
    m_trendDirty = true;
    scheduleReplot();
}

QList<int> frmLiveView::trendChannels() const
{
    return m_trend->channels();
}

void frmLiveView::toggleTrendChannel(int channel)
{
    QList<int> channels = trendChannels();
    if (channels.contains(channel))
        channels.removeAll(channel);
    else
        channels << channel;
    setTrendChannels(channels);
}

void frmLiveView::showInTrend(int channel)
{
    QList<int> channels = trendChannels();
    if (!channels.contains(channel))
        setTrendChannels(channels << channel);
    setTab(TrendTab);
}

void frmLiveView::scheduleReplot()
{
    // Readings arriving within one redraw interval are drawn together.
    if (m_redraw->isActive() || !isVisible())
        return;
    m_redraw->start();
}

void frmLiveView::replotVisible()
{
    m_redraw->stop();
    if (!isVisible())
        return;
    // A hidden tab is drawn when it is shown.
    if (m_tabs->currentWidget() == m_overview && m_overviewDirty) {
        m_overviewDirty = false;
        m_overview->replot();
    } else if (m_tabs->currentIndex() == TrendTab && m_trendDirty) {
        m_trendDirty = false;
        m_trend->replot();
    }
}

void frmLiveView::replotNow()
{
    m_overviewDirty = m_trendDirty = true;
    replotVisible();
    if (m_tabs->currentIndex() == HealthTab)
        m_healthView->viewport()->repaint();
}

bool frmLiveView::exportTrend(const QString &path, QString *error)
{
    return m_trend->exportTo(path, error);
}

void frmLiveView::exportClicked()
{
    QString path = m_dialogs.saveFileName(
        tr("Export Trend"), tr("PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += u".png"_s;
    QString error;
    if (!exportTrend(path, &error))
        m_dialogs.message(QMessageBox::Warning, tr("Export Trend"), error, QMessageBox::Ok,
                          QMessageBox::Ok);
}
