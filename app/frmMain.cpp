#include "frmMain.h"

#include "Dialogs.h"
#include "EventPump.h"
#include "FileCommands.h"
#include "FrameGeometry.h"
#include "GridLayout.h"
#include "HistoryCommands.h"
#include "LiveViewCommands.h"
#include "MainCommands.h"
#include "MainReadouts.h"
#include "MainWindowLayout.h"
#include "ManualScanBridge.h"
#include "NumberText.h"
#include "OpenScanRecord.h"
#include "PortDevicesDialog.h"
#include "PortMap.h"
#include "RecentFilesMenu.h"
#include "ResultDocument.h"
#include "ResultGridView.h"
#include "ResultTable.h"
#include "ScanRecord.h"
#include "ScanRecovery.h"
#include "ScanSettingsPanel.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StatusLine.h"
#include "StoredSettings.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmManual.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

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
    m_document = new ResultDocument(m_session, this);
    connect(m_document, &ResultDocument::captionChanged, this, &frmMain::showCaption);
    showCaption(kTitle);
    setWindowIcon(QIcon(u":/icons/rozivoda.png"_s));

    createControls();
    createStatusBar();
    m_files = std::make_unique<FileCommands>(*m_document, m_dialogs, m_events, *this);
    m_liveView = std::make_unique<LiveViewCommands>(m_session, m_settings, m_dialogs, this);
    m_manualBridge = std::make_unique<ManualScanBridge>(
        m_session, *this,
        ManualScanBridge::Sources { [this] { return portName(); },
                                    [this] { return m_ports.device(m_commPort); },
                                    [this] {
                                        return fraSet->termText();
                                    } });
    m_scanClock = new QTimer(this);
    setAcceptDrops(true);
    m_history
        = std::make_unique<HistoryCommands>(m_session, *m_document, *m_files, m_dialogs, *this);
    m_commands = new MainCommands(
        { *this, *m_files, *m_history, *m_liveView, m_session, *m_document, m_settings, *fraSet });
    m_files->setFileKeptHandler(
        [this](const QString &path) { m_commands->recentFiles()->add(path); });
    connectCommands();

    // The size and place as defined: the client area centred on the screen.
    // The menu bar, toolbar and status bar take what they need around it.
    const int chrome = menuBar()->sizeHint().height() + m_commands->toolBar()->sizeHint().height()
        + statusBar()->sizeHint().height();
    resize(twipsToPixels(kClientWidth),
           chrome + twipsToPixels(kClientHeight - kControlsTop - kStatusBarHeight));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmMain::~frmMain() = default;

void frmMain::connectCommands()
{
    connect(m_commands->recentFiles(), &RecentFilesMenu::openRequested, this, &frmMain::openFile);
    connect(m_commands->recentFiles(), &RecentFilesMenu::noteRequested, this,
            [this](const QString &note) {
                statusBar()->showMessage(note, int(std::chrono::milliseconds(kNoteShown).count()));
            });
    connect(m_commands->recentFiles(), &RecentFilesMenu::settingsProblem, this,
            &frmMain::noteSettingsProblem);
    connect(m_document, &ResultDocument::loaded, m_liveView.get(), &LiveViewCommands::tableLoaded);
    connect(fgdData->horizontalHeader(), &QHeaderView::sectionClicked, m_liveView.get(),
            &LiveViewCommands::showColumnInTrend);
    connect(m_liveView.get(), &LiveViewCommands::statusSummaryChanged, this,
            &frmMain::updateStatusText);
    connect(m_scanClock, &QTimer::timeout, this, &frmMain::showScanProgress);
    connect(m_manualBridge.get(), &ManualScanBridge::lineOpened, this, [this] {
        m_manualProblem.clear();
        updateStatusText();
    });
    connect(m_manualBridge.get(), &ManualScanBridge::channelSelected, &fraSet->readouts(),
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
    connect(&m_session, &ScanSession::channelSelected, &fraSet->readouts(),
            &MainReadouts::showChannel);
    connect(&m_session, &ScanSession::valueRead, &fraSet->readouts(), &MainReadouts::showPressure);
    connect(&m_session, &ScanSession::unitRead, &fraSet->readouts(), &MainReadouts::showUnit);
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
        m_reconnecting = true;
        updateStatusText();
    });
    connect(&m_session, &ScanSession::lineBack, this, [this] {
        m_lineProblem.clear();
        m_reconnecting = false;
        updateStatusText();
    });
    // Stop while the line is being reopened: no line left to report on.
    connect(&m_session, &ScanSession::stateChanged, this, [this] {
        if (m_reconnecting && !m_session.isReconnecting())
            m_lineProblem.clear();
        m_reconnecting = m_session.isReconnecting();
        updateStatusText();
    });
}

void frmMain::Form_Load()
{
    setPortNumber(StoredSettings::comPort(m_settings));
    m_commands->com1->setChecked(m_commPort == 1);
    m_commands->com2->setChecked(m_commPort == 2);
    const bool stopOnLineLoss
        = m_settings.value(SettingsKeys::kSettings, SettingsKeys::kStopOnLineLoss, u"0"_s)
        == u"1"_s;
    m_commands->stopOnLineLoss->setChecked(stopOnLineLoss);
    m_session.setStopOnLineLoss(stopOnLineLoss);
    chooseChannelCount(StoredSettings::channelCountIndex(m_settings));
    enterIdleState();
}

void frmMain::enterIdleState()
{
    const auto [first, last] = fraSet->tableRange();
    m_document->startNew(kTitle, first, last);
    fraSet->readouts().clearPressure();
}

void frmMain::offerRecovery()
{
    ScanRecord *record = m_session.record();
    ResultTable rows;
    const qint64 restored = record ? ScanRecovery::offer(*record, m_dialogs, rows) : -1;
    if (restored >= 0) {
        m_document->replace(rows, { ScanRecovery::caption(*record, restored), restored, true });
        const auto scan = record->scan(restored);
        m_liveView->scanRestored(*record, restored, scan->info.startChannel, scan->info.endChannel);
    }
    m_liveView->restoreWindow();
    updateStatusText();
}

void frmMain::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // While a file loads the event loop runs: hold every other command off.
        menuBar()->setEnabled(false);
        m_commands->toolBar()->setEnabled(false);
        fraSet->setEnabled(false);
        return;
    }
    delete m_loadProgress;
    m_loadProgress = nullptr;
    menuBar()->setEnabled(true);
    m_commands->toolBar()->setEnabled(true);
    m_commands->applyState();
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

void frmMain::chooseChannelCount(int index)
{
    keepSetting(SettingsKeys::kChNum, QString::number(index));
    m_chCount = StoredSettings::channelCountFor(index);
    fraSet->setChannelCount(m_chCount);
    for (int i = 0; i < m_commands->channelCounts.size(); ++i)
        m_commands->channelCounts.at(i)->setChecked(i == index);
}

void frmMain::setPortNumber(int port)
{
    m_commPort = port;
    updateStatusText();
}

void frmMain::choosePort(int port)
{
    keepSetting(SettingsKeys::kComPort, QString::number(port));
    setPortNumber(port);
    m_commands->com1->setChecked(port == 1);
    m_commands->com2->setChecked(port == 2);
}

void frmMain::setStopOnLineLoss(bool stop)
{
    keepSetting(SettingsKeys::kStopOnLineLoss, stop ? u"1"_s : u"0"_s);
    m_session.setStopOnLineLoss(stop);
}

void frmMain::choosePortDevices()
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

void frmMain::StartScan()
{
    const ScanSettingsPanel::Outcome outcome = fraSet->request();
    if (!outcome.request) {
        m_dialogs.message(outcome.icon, outcome.title, outcome.why, QMessageBox::Ok,
                          QMessageBox::Ok);
        outcome.field->setFocus();
        return;
    }
    ScanSession::Request request = *outcome.request;
    request.portName = portName();
    request.device = m_ports.device(m_commPort);
    if (!m_session.start(request)) {
        m_dialogs.message(QMessageBox::Critical, tr("Serial Port"), m_session.errorString(),
                          QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    m_lineProblem.clear();
    m_manualProblem.clear();
    updateStatusText();
    m_events.processEvents();
}

void frmMain::showManualReading(const Reading &reading)
{
    fraSet->readouts().showReading(reading);
    m_manualProblem = reading.status == Reading::Status::Unreadable
        ? tr("Ch %1: unreadable reply").arg(channelText(reading.channel))
        : QString();
    updateStatusText();
}

bool frmMain::Unsaved() const
{
    return m_document->isUnsaved();
}

void frmMain::showNotice(const QString &notice)
{
    statusBar()->showMessage(notice, int(kNoticeShown.count()));
}

void frmMain::showCaption(const QString &caption)
{
    setWindowTitle(isDemo() ? tr("%1 - Demo, simulated scanner").arg(caption) : caption);
}

void frmMain::setDemo(const QString &device)
{
    m_demoDevice = device;
    showCaption(m_document->caption());
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

void frmMain::openFile(const QString &path)
{
    if (m_commands->fileOpen->isEnabled() && !m_busy)
        m_files->Open(path);
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_commands->fileOpen->isEnabled() && !m_busy
        && !FileCommands::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString path = FileCommands::droppedFile(event->mimeData());
    if (path.isEmpty() || !m_commands->fileOpen->isEnabled() || m_busy)
        return;
    event->acceptProposedAction();
    // After the drop has ended: the program the file came from waits until
    // then, and the save question may keep the user a while.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path); }, Qt::QueuedConnection);
}

void frmMain::showAbout()
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
    fraSet->placeReadouts(twipsToPixels(l.fraChLeft), twipsToPixels(l.fraPresLeft));
}
