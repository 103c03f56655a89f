#include "frmMain.h"

#include "ChannelComboBox.h"
#include "Dialogs.h"
#include "EventPump.h"
#include "FileCommands.h"
#include "FrameGeometry.h"
#include "GridLayout.h"
#include "HistoryCommands.h"
#include "LiveViewCommands.h"
#include "LogLocation.h"
#include "MainReadouts.h"
#include "MainWindowLayout.h"
#include "ManualScanBridge.h"
#include "NumberText.h"
#include "OpenScanRecord.h"
#include "PortDevicesDialog.h"
#include "PortMap.h"
#include "RecentFilesMenu.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "ScanRecovery.h"
#include "ScanTerm.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StatusLine.h"
#include "StoredSettings.h"
#include "Twips.h"
#include "ZeroCommands.h"
#include "frmAbout.h"
#include "frmChannels.h"
#include "frmManual.h"
#include "frmSettleCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <climits>

using namespace Qt::StringLiterals;
using namespace FrameGeometry;

namespace {

const QString kTitle = u"VESTRA-IP"_s;
// How long a passing note stays in the status bar.
constexpr std::chrono::seconds kNoteShown { 10 };
// Long enough to be read after a save, short enough not to hide problems for long.
constexpr std::chrono::milliseconds kNoticeShown { 15000 };

} // namespace

frmMain::frmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(services.settings)
    , m_ports(services.ports)
    , m_session(services.session)
    , m_timers(services.timers)
    , m_dialogs(services.dialogs)
    , m_events(services.events)
{
    setObjectName(u"frmMain"_s);
    setCaption(kTitle);
    setWindowIcon(QIcon(u":/icons/rozivoda.png"_s));

    createControls();
    createMenus();
    createToolBar();
    createStatusBar();
    m_files = std::make_unique<FileCommands>(m_session.table(), m_dialogs, m_events, *this);
    m_liveView = std::make_unique<LiveViewCommands>(m_session, m_settings, m_dialogs, this);
    m_manualBridge = std::make_unique<ManualScanBridge>(
        m_session, *this,
        ManualScanBridge::Sources { [this] { return portName(); },
                                    [this] { return m_ports.device(m_commPort); },
                                    [this] {
                                        return txtTerm->text();
                                    } });
    m_scanClock = new QTimer(this);
    m_readouts = new MainReadouts(lblPres, lblUnit, lblCH, this);
    m_recentFiles = new RecentFilesMenu(mnuFileRecent, m_settings, this);
    m_files->setFileKeptHandler([this](const QString &path) { m_recentFiles->add(path); });
    setAcceptDrops(true);
    m_history = std::make_unique<HistoryCommands>(m_session, *m_files, m_dialogs, *this);
    m_zero = std::make_unique<ZeroCommands>(m_session, m_settings, m_liveView->data(), this);
    m_zero->fillPassesMenu(mnuZeroPasses);
    m_files->setZeroSource([this] { return m_zero->tableZero(); });
    m_history->setZeroCommands(m_zero.get());
    connectCommands();

    // The size and place as defined: the client area centred on the screen.
    // The menu bar, toolbar and status bar take what they need around it.
    const int chrome = menuBar()->sizeHint().height() + tbToolBar->sizeHint().height()
        + statusBar()->sizeHint().height();
    resize(twipsToPixels(kClientWidth),
           chrome + twipsToPixels(kClientHeight - kControlsTop - kStatusBarHeight));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMain::~frmMain() = default;

void frmMain::connectCommands()
{
    connect(mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileSave, &QAction::triggered, this, &frmMain::mnuFileSave_Click);
    connect(mnuFileHistory, &QAction::triggered, this, &frmMain::mnuFileHistory_Click);
    connect(mnuFileExportCsv, &QAction::triggered, this, &frmMain::mnuFileExportCsv_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(m_recentFiles, &RecentFilesMenu::openRequested, this, &frmMain::openFile);
    connect(m_recentFiles, &RecentFilesMenu::noteRequested, this, [this](const QString &note) {
        statusBar()->showMessage(note, int(std::chrono::milliseconds(kNoteShown).count()));
    });
    connect(m_recentFiles, &RecentFilesMenu::settingsProblem, this, &frmMain::noteSettingsProblem);
    connect(mnuCom1, &QAction::triggered, this, &frmMain::mnuCom1_Click);
    connect(mnuCom2, &QAction::triggered, this, &frmMain::mnuCom2_Click);
    connect(mnuPortDevices, &QAction::triggered, this, &frmMain::mnuPortDevices_Click);
    for (QAction *item : std::as_const(mnuChNum)) {
        const int index = item->property("index").toInt();
        connect(item, &QAction::triggered, this, [this, index] { mnuChNum_Click(index); });
    }
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
    connect(mnuHelpAboutQt, &QAction::triggered, this, [this] { QMessageBox::aboutQt(this); });
    connect(mnuViewLive, &QAction::triggered, this, &frmMain::mnuViewLive_Click);
    connect(mnuAlarmLimits, &QAction::triggered, this, &frmMain::mnuAlarmLimits_Click);
    connect(mnuChannels, &QAction::triggered, this, &frmMain::mnuChannels_Click);
    connect(fgdData->horizontalHeader(), &QHeaderView::sectionClicked, m_liveView.get(),
            &LiveViewCommands::showColumnInTrend);
    connect(m_liveView.get(), &LiveViewCommands::statusSummaryChanged, this,
            &frmMain::updateStatusText);
    connect(m_scanClock, &QTimer::timeout, this, &frmMain::showScanProgress);
    connect(m_manualBridge.get(), &ManualScanBridge::lineOpened, this, [this] {
        m_manualProblem.clear();
        updateStatusText();
    });
    connect(m_manualBridge.get(), &ManualScanBridge::channelSelected, m_readouts,
            &MainReadouts::showChannel);
    connect(m_manualBridge.get(), &ManualScanBridge::lineNotReopened, this,
            [this](const QString &why) {
                m_lineProblem = why;
                updateStatusText();
            });
    connect(m_manualBridge.get(), &ManualScanBridge::readingFinished, this,
            &frmMain::showManualReading);
    connect(&m_session, &ScanSession::rowAdded, this, &frmMain::showScanProgress);
    connect(&m_session, &ScanSession::stateChanged, this, &frmMain::showScanProgress);
    connect(&m_session, &ScanSession::recordFailed, this, &frmMain::updateStatusText);
    connect(&m_session, &ScanSession::recordResumed, this, &frmMain::updateStatusText);
    if (ScanRecord *record = m_session.record())
        connect(record, &ScanRecord::warningChanged, this, &frmMain::updateStatusText);
    connect(mnuHelpShowLog, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(logDirectory())); });
    connect(mnuStopOnLineLoss, &QAction::triggered, this, [this](bool stop) {
        keepSetting(SettingsKeys::kStopOnLineLoss, stop ? u"1"_s : u"0"_s);
        m_session.setStopOnLineLoss(stop);
    });
    connect(mnuScanStart, &QAction::triggered, this, &frmMain::StartScan);
    connect(mnuScanStop, &QAction::triggered, this, &frmMain::StopScan);
    connect(mnuScanManual, &QAction::triggered, this, &frmMain::openManualWindow);
    connect(mnuScanZero, &QAction::triggered, m_zero.get(), &ZeroCommands::zero);
    connect(mnuScanClearZero, &QAction::triggered, m_zero.get(), &ZeroCommands::clearZero);
    connect(m_zero.get(), &ZeroCommands::notice, this, &frmMain::showNotice);
    connect(m_zero.get(), &ZeroCommands::changed, this, [this] {
        applyCommandStates();
        fraPres->setTitle(m_zero->isActive() ? tr("Pressure (zeroed)") : tr("Pressure"));
    });
    connect(mnuScanSettle, &QAction::triggered, this, [this] {
        frmSettleCheck dialog(frmSettleCheck::stored(m_settings), this);
        if (dialog.exec() == QDialog::Accepted
            && !frmSettleCheck::store(m_settings, dialog.check()))
            m_dialogs.message(QMessageBox::Warning, tr("Settle Check"), m_settings.errorString(),
                              QMessageBox::Ok, QMessageBox::Ok);
    });
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (!m_buttons.at(i)->isSeparator())
            connect(m_buttons.at(i), &QAction::triggered, this,
                    [this, i] { tbToolBar_ButtonClick(ToolbarButton(i + 1)); });
    }

    connect(&m_session, &ScanSession::stateChanged, this, &frmMain::applyCommandStates);
    connect(&m_session, &ScanSession::channelSelected, m_readouts, &MainReadouts::showChannel);
    connect(&m_session, &ScanSession::valueRead, m_readouts, &MainReadouts::showPressure);
    connect(&m_session, &ScanSession::unitRead, m_readouts, &MainReadouts::showUnit);
    // After valueRead, which shows the reading as read.
    connect(m_zero.get(), &ZeroCommands::readingShown, m_readouts, &MainReadouts::showZeroed);
    connect(&m_session, &ScanSession::rowAdded, fgdData, &ResultGridView::showRow);
    connect(&m_session, &ScanSession::healthChanged, this, &frmMain::updateStatusText);
    connect(&m_session, &ScanSession::lineLost, this,
            [this](const QString &reason, bool scanStopped) {
                m_lineProblem = (scanStopped ? tr("Scan stopped: the line to the scanner on %1 "
                                                  "failed (%2)")
                                             : tr("The line to the scanner on %1 failed (%2)"))
                                    .arg(m_session.portDescription(), reason);
                updateStatusText();
            });
    connect(&m_session, &ScanSession::reconnecting, this, [this](const QString &status) {
        m_lineProblem = status;
        updateStatusText();
    });
    connect(&m_session, &ScanSession::lineBack, this, [this] {
        m_lineProblem.clear();
        updateStatusText();
    });
}

void frmMain::Form_Load()
{
    setPortNumber(StoredSettings::comPort(m_settings));
    mnuCom1->setChecked(m_commPort == 1);
    mnuCom2->setChecked(m_commPort == 2);
    const bool stopOnLineLoss
        = m_settings.value(SettingsKeys::kSettings, SettingsKeys::kStopOnLineLoss, u"0"_s)
        == u"1"_s;
    mnuStopOnLineLoss->setChecked(stopOnLineLoss);
    m_session.setStopOnLineLoss(stopOnLineLoss);
    mnuChNum_Click(StoredSettings::channelCountIndex(m_settings));
    m_zero->restoreSettings();
    enterIdleState();
}

void frmMain::enterIdleState()
{
    m_session.makeReady();
    m_zero->tableReplaced();
    applyCommandStates();
    setCaption(kTitle);
    InitGrid();
    m_session.table().setRows(1);
    // A new table's channels are named as the next scan will name them.
    ChannelNames names;
    names.load(m_settings);
    m_session.table().setChannelNames(names);
    m_readouts->clearPressure();
}

void frmMain::holdStart()
{
    // Results from elsewhere: a stored scan sets its id once it is in place.
    m_session.setTableScan(-1);
    m_zero->tableReplaced();
    m_session.holdTable();
    m_liveView->tableLoaded();
}

void frmMain::resultsSaved(const QString &path)
{
    m_session.markSaved(path);
}

void frmMain::resultsDiscarded()
{
    m_session.markDiscarded();
}

void frmMain::offerRecovery()
{
    ScanRecord *record = m_session.record();
    const qint64 restored
        = record ? ScanRecovery::offer(*record, m_dialogs, m_session.table()) : -1;
    if (restored >= 0) {
        m_session.setTableScan(restored);
        m_session.holdTable();
        m_files->raiseUnsaved();
        setCaption(ScanRecovery::caption(*record, restored));
        const auto scan = record->scan(restored);
        m_liveView->scanRestored(*record, restored, scan->info.startChannel, scan->info.endChannel);
    }
    m_liveView->restoreWindow();
    updateStatusText();
}

void frmMain::mnuViewLive_Click()
{
    m_liveView->showWindow();
}

void frmMain::mnuAlarmLimits_Click()
{
    m_liveView->editAlarmLimits();
}

void frmMain::mnuChannels_Click()
{
    ChannelNames names;
    names.load(m_settings);
    frmChannels dialog(names, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!dialog.names().save(m_settings))
        noteSettingsProblem();
    // A table with readings keeps the names it was taken with.
    if (m_session.state() == ScanSession::State::Ready)
        m_session.table().setChannelNames(dialog.names());
}

void frmMain::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // While a file loads the event loop runs: hold every other command off.
        menuBar()->setEnabled(false);
        tbToolBar->setEnabled(false);
        fraSet->setEnabled(false);
        return;
    }
    delete m_loadProgress;
    m_loadProgress = nullptr;
    menuBar()->setEnabled(true);
    tbToolBar->setEnabled(true);
    applyCommandStates();
    QApplication::restoreOverrideCursor();
}

bool frmMain::showLoadProgress(qint64 bytesDone, qint64 bytesTotal)
{
    if (!m_loadProgress) {
        m_loadProgress = new QProgressDialog(tr("Loading results..."), tr("Cancel"), 0, 1000, this);
        m_loadProgress->setObjectName(u"dlgLoadProgress"_s);
        m_loadProgress->setWindowTitle(tr("Open"));
        m_loadProgress->setWindowModality(Qt::WindowModal);
        // Only a load that takes longer than half a second shows its progress.
        m_loadProgress->setMinimumDuration(500);
        m_loadProgress->setValue(0);
    }
    if (bytesTotal > 0)
        m_loadProgress->setValue(int(bytesDone * 1000 / bytesTotal));
    return !m_loadProgress->wasCanceled();
}

void frmMain::mnuChNum_Click(int index)
{
    keepSetting(SettingsKeys::kChNum, QString::number(index));
    m_chCount = StoredSettings::channelCountFor(index);
    cboStart->clear();
    cboEnd->clear();
    for (int c = 0; c < m_chCount; ++c) {
        cboStart->addItem(QString::number(c));
        cboEnd->addItem(QString::number(c));
    }
    cboStart->setCurrentIndex(0);
    cboEnd->setCurrentIndex(m_chCount - 1);
    for (int i = 0; i < mnuChNum.size(); ++i)
        mnuChNum.at(i)->setChecked(i == index);
}

void frmMain::setPortNumber(int port)
{
    m_commPort = port;
    updateStatusText();
}

void frmMain::mnuCom1_Click()
{
    keepSetting(SettingsKeys::kComPort, u"1"_s);
    setPortNumber(1);
    mnuCom1->setChecked(true);
    mnuCom2->setChecked(false);
}

void frmMain::mnuCom2_Click()
{
    keepSetting(SettingsKeys::kComPort, u"2"_s);
    setPortNumber(2);
    mnuCom1->setChecked(false);
    mnuCom2->setChecked(true);
}

void frmMain::mnuPortDevices_Click()
{
    PortDevicesDialog dialog(m_ports.device(1), m_ports.device(2), this);
    if (m_ports.isOverridden())
        dialog.showAsFixed(tr("Demo: both ports lead to the simulated scanner. This mapping is "
                              "not stored; the devices chosen before stay as they were."));
    if (dialog.exec() != QDialog::Accepted || m_ports.isOverridden())
        return;
    if (!m_ports.setDevice(1, dialog.device(1)) || !m_ports.setDevice(2, dialog.device(2)))
        noteSettingsProblem();
}

void frmMain::keepSetting(const QString &key, const QString &text)
{
    if (!m_settings.setValue(SettingsKeys::kSettings, key, text))
        noteSettingsProblem();
}

void frmMain::noteSettingsProblem()
{
    m_settingsProblem = tr("Settings cannot be saved: ") + m_settings.errorString();
    updateStatusText();
}

QString frmMain::portName() const
{
    const QString port = u"com"_s + QString::number(m_commPort);
    return m_ports.isOverridden() ? PortMap::simulatedPortName(port) : port;
}

void frmMain::tbToolBar_ButtonClick(ToolbarButton button)
{
    switch (button) {
    case ToolbarButton::NewFile:
        return mnuFileNew_Click();
    case ToolbarButton::Open:
        return mnuFileOpen_Click();
    case ToolbarButton::Save:
        return mnuFileSave_Click();
    case ToolbarButton::Start:
        return StartScan();
    case ToolbarButton::Stop:
        return StopScan();
    case ToolbarButton::Manual:
        return openManualWindow();
    case ToolbarButton::Print:
        // Print delivers no command.
        return;
    }
}

QAction *frmMain::toolbarButton(ToolbarButton button) const
{
    const int index = int(button);
    return index >= 1 && index <= m_buttons.size() ? m_buttons.at(index - 1) : nullptr;
}

void frmMain::openManualWindow()
{
    frmManual manual(*m_manualBridge, m_settings, m_timers, this);
    QString error;
    if (!manual.Form_Load(&error)) {
        // Without its port the window cannot read anything: it does not open.
        m_dialogs.message(QMessageBox::Critical, tr("Serial Port"), error, QMessageBox::Ok,
                          QMessageBox::Ok);
        return;
    }
    manual.exec();
}

void frmMain::InitGrid()
{
    const double start = numberFromText(cboStart->currentText());
    qint16 end = 0;
    if (!roundToInt16(numberFromText(cboEnd->currentText()), &end))
        end = -1;
    // The lists hold channels 0 to 99 only; a range outside them lays out no
    // channel columns rather than thousands.
    const int first = start >= 0 && start <= 100 ? int(start) : 0;
    const int last = start >= 0 && start <= 100 ? std::min<int>(end, 100) : -1;
    m_session.table().setLayout(gridLayoutFor(first, last));
}

void frmMain::StartScan()
{
    const double endCh = numberFromText(cboEnd->currentText());
    const double startCh = numberFromText(cboStart->currentText());
    if (endCh < startCh) {
        m_dialogs.message(QMessageBox::Information, tr("Channel Error"),
                          tr("Set Start CH less than End CH..."), QMessageBox::Ok, QMessageBox::Ok);
        cboStart->setFocus();
        return;
    }

    bool inRange = true;
    const double term = numberFromText(txtTerm->text(), &inRange);
    if (inRange && term < kShortestTerm)
        txtTerm->setText(u"0.2"_s);
    const std::optional<std::chrono::milliseconds> period
        = inRange ? scanPeriodFor(term) : std::nullopt;
    if (!period) {
        m_dialogs.message(
            QMessageBox::Warning, tr("Scan Term"),
            tr("The scan term is too long: at most %1 seconds.").arg(longestTermSeconds()),
            QMessageBox::Ok, QMessageBox::Ok);
        txtTerm->setFocus();
        return;
    }

    ScanSession::Request request;
    request.startCh = int(startCh);
    request.endCh = int(endCh);
    request.period = *period;
    request.settle = frmSettleCheck::stored(m_settings);
    request.portName = portName();
    request.device = m_ports.device(m_commPort);
    request.names.load(m_settings);
    if (!m_session.start(request)) {
        m_dialogs.message(QMessageBox::Critical, tr("Serial Port"), m_session.errorString(),
                          QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    m_lineProblem.clear();
    m_manualProblem.clear();
    m_files->raiseUnsaved();
    updateStatusText();
    m_events.processEvents();
}

void frmMain::StopScan()
{
    if (m_session.isReconnecting())
        m_lineProblem.clear();
    m_session.stop();
    updateStatusText();
}

void frmMain::applyCommandStates()
{
    const ScanSession::State state = m_session.state();
    const bool scanning = state == ScanSession::State::Scanning;
    for (ToolbarButton button :
         { ToolbarButton::NewFile, ToolbarButton::Open, ToolbarButton::Save })
        toolbarButton(button)->setEnabled(!scanning);
    toolbarButton(ToolbarButton::Print)->setEnabled(false);
    toolbarButton(ToolbarButton::Start)->setEnabled(state == ScanSession::State::Ready);
    toolbarButton(ToolbarButton::Stop)->setEnabled(scanning);
    toolbarButton(ToolbarButton::Manual)->setEnabled(!scanning);
    for (QAction *item : { mnuFileNew, mnuFileOpen, mnuFileSave, mnuFileHistory })
        item->setEnabled(!scanning);
    m_recentFiles->setCommandEnabled(!scanning);
    mnuScanStart->setEnabled(state == ScanSession::State::Ready);
    mnuScanStop->setEnabled(scanning);
    mnuScanManual->setEnabled(!scanning);
    mnuScanZero->setEnabled(m_zero->canZero());
    mnuScanClearZero->setEnabled(m_zero->canClear());
    mnuFilePrint->setEnabled(false);
    mnuChannel->menuAction()->setEnabled(!scanning);
    // The record keeps the names a scan started with.
    mnuChannels->setEnabled(!scanning);
    mnuComm->menuAction()->setEnabled(!scanning);
    fraSet->setEnabled(!scanning);
}

void frmMain::showManualReading(const Reading &reading)
{
    m_readouts->showReading(reading);
    m_manualProblem = reading.status == Reading::Status::Unreadable
        ? tr("Ch %1: unreadable reply").arg(channelText(reading.channel))
        : QString();
    updateStatusText();
}

bool frmMain::Unsaved() const
{
    return m_files->Unsaved();
}

void frmMain::showNotice(const QString &notice)
{
    statusBar()->showMessage(notice, int(kNoticeShown.count()));
}

void frmMain::setCaption(const QString &caption)
{
    m_caption = caption;
    setWindowTitle(isDemo() ? tr("%1 - Demo, simulated scanner").arg(caption) : caption);
}

void frmMain::setDemo(const QString &device)
{
    m_demoDevice = device;
    setCaption(m_caption);
    if (!m_statusDemo) {
        // A permanent widget: a passing message does not hide it.
        m_statusDemo = new QLabel(statusBar());
        m_statusDemo->setObjectName(u"sbStatusBarDemo"_s);
        statusBar()->addPermanentWidget(m_statusDemo);
    }
    m_statusDemo->setText(tr("Demo"));
    m_statusDemo->setToolTip(
        tr("Demo: both ports lead to the simulated scanner on %1; its readings are not real.")
            .arg(device));
    m_statusDemo->setVisible(isDemo());
}

void frmMain::setFileLocations(const QString &record, const QString &log)
{
    m_recordLocation = record;
    m_logLocation = log;
}

void frmMain::setDesktopNotifier(DesktopNotifier *notifier)
{
    m_liveView->setNotifier(notifier);
}

void frmMain::setStoreProblem(const QString &problem)
{
    m_storeProblem = problem;
    updateStatusText();
}

void frmMain::setSessionNotice(const QString &notice)
{
    m_sessionNotice = notice;
    updateStatusText();
}

void frmMain::updateStatusText()
{
    QStringList parts;
    if (!m_lineProblem.isEmpty())
        parts << m_lineProblem;
    if (m_session.scannerSilent())
        parts << tr("No reply from scanner on ") + m_session.portDescription();
    if (!m_manualProblem.isEmpty())
        parts << m_manualProblem;
    if (!m_settingsProblem.isEmpty())
        parts << m_settingsProblem;
    if (!m_storeProblem.isEmpty())
        parts << m_storeProblem;
    // A short summary that cannot overflow; the live view has the details.
    if (const QString summary = m_liveView->statusSummary(); !summary.isEmpty())
        parts << summary;
    if (const QString problem = m_session.recordProblem(); !problem.isEmpty())
        parts << tr("Readings are not being kept on disk: ") + problem;
    else if (m_session.record() && !m_session.record()->warningString().isEmpty())
        parts << m_session.record()->warningString();
    if (parts.isEmpty() && !m_sessionNotice.isEmpty())
        parts << m_sessionNotice;
    m_statusText->setMessage(parts.join(u"; "_s));
}

void frmMain::showScanProgress()
{
    if (!m_session.isScanning()) {
        m_scanClock->stop();
        return;
    }
    if (!m_scanClock->isActive())
        m_scanClock->start(std::chrono::seconds(1));
    const qint64 seconds = m_session.startedAt().secsTo(QDateTime::currentDateTimeUtc());
    m_statusScan->setText(tr("%1:%2:%3, pass %4")
                              .arg(seconds / 3600, 2, 10, QChar(u'0'))
                              .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                              .arg(seconds % 60, 2, 10, QChar(u'0'))
                              .arg(m_session.passes()));
}

void frmMain::mnuFileNew_Click()
{
    m_files->New();
}

void frmMain::mnuFileOpen_Click()
{
    m_files->Open();
}

void frmMain::mnuFileSave_Click()
{
    m_files->Save();
}

void frmMain::mnuFileHistory_Click()
{
    m_history->showHistory(this);
}

void frmMain::mnuFileExportCsv_Click()
{
    m_history->exportTable();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::openFile(const QString &path)
{
    if (mnuFileOpen->isEnabled() && !m_busy)
        m_files->Open(path);
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (mnuFileOpen->isEnabled() && !m_busy
        && !FileCommands::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString path = FileCommands::droppedFile(event->mimeData());
    if (path.isEmpty() || !mnuFileOpen->isEnabled() || m_busy)
        return;
    event->acceptProposedAction();
    // After the drop has ended: the program the file came from waits until
    // then, and the save question may keep the user a while.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path); }, Qt::QueuedConnection);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about({ isDemo(), m_recordLocation, m_logLocation }, this);
    about.setRigId(recordRigId(m_session.record()));
    about.exec();
}

void frmMain::endSession()
{
    m_endingSession = true;
    m_session.abandon();
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // A file is being read or written; the window closes after it.
    if (m_busy && !m_endingSession) {
        event->ignore();
        return;
    }
    // Form_Unload: unsaved results are offered for saving first, unless the
    // desktop session is ending and nobody is there to answer.
    if (!m_endingSession && !m_files->offerToSave()) {
        event->ignore();
        return;
    }
    if (m_session.isScanning())
        m_session.stop();
    m_liveView->saveState();
    event->accept();
    QApplication::quit();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
    if (event->type() == QEvent::FontChange && fraSet)
        fitSettingsToFont();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    if (!m_client)
        return;
    // The rule works on outer sizes; the window manager's frame is not ours to
    // measure, so the outer size is the client area plus a fixed allowance.
    WindowMetrics metrics;
    metrics.minimized = isMinimized();
    metrics.innerWidth = pixelsToTwips(m_client->width());
    metrics.outerWidth = metrics.innerWidth + kFrameWidth;
    metrics.outerHeight
        = pixelsToTwips(m_client->height()) + kControlsTop + kStatusBarHeight + kFrameHeight;
    const ResizeStep step = mainWindowResizeStep(metrics, snapToPixel);
    switch (step.kind) {
    case ResizeStep::Kind::Nothing:
        return;
    case ResizeStep::Kind::Resize: {
        const int clientHeight
            = twipsToPixels(step.outerHeight - kFrameHeight - kControlsTop - kStatusBarHeight);
        resize(twipsToPixels(step.outerWidth - kFrameWidth),
               height() - m_client->height() + clientHeight);
        return;
    }
    case ResizeStep::Kind::Layout:
        break;
    }
    const MainLayout &l = step.layout;
    fraSet->setGeometry(twipsToPixels(l.fraSetLeft), fraSet->y(), twipsToPixels(l.fraSetWidth),
                        fraSet->height());
    fraData->setGeometry(twipsToPixels(l.fraDataLeft), fraData->y(), twipsToPixels(l.fraDataWidth),
                         twipsToPixels(l.fraDataHeight));
    fgdData->setGeometry(twipsToPixels(l.fgdDataLeft), fgdData->y(), twipsToPixels(l.fgdDataWidth),
                         twipsToPixels(l.fgdDataHeight));
    fraCh->move(twipsToPixels(l.fraChLeft), fraCh->y());
    fraPres->move(twipsToPixels(l.fraPresLeft), fraPres->y());
}
