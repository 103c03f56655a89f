#include "frmMain.h"

#include "Dialogs.h"
#include "EventPump.h"
#include "FileCommands.h"
#include "FrameGeometry.h"
#include "HistoryCommands.h"
#include "LiveViewCommands.h"
#include "MainCommands.h"
#include "MainReadouts.h"
#include "MainStatusBar.h"
#include "MainWindowLayout.h"
#include "ManualScanBridge.h"
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
#include "Twips.h"
#include "ZeroCommands.h"
#include "frmAbout.h"
#include "frmManual.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

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
    m_status = new MainStatusBar(statusBar(), m_session, this);
    m_files = std::make_unique<FileCommands>(*m_document, m_dialogs, m_events, *this);
    m_liveView = std::make_unique<LiveViewCommands>(m_session, m_settings, m_dialogs, this);
    m_manualBridge = std::make_unique<ManualScanBridge>(
        m_session, *this,
        ManualScanBridge::Sources { [this] { return fraSet->portName(); },
                                    [this] { return fraSet->device(); },
                                    [this] {
                                        return fraSet->termText();
                                    } });
    setAcceptDrops(true);
    m_history
        = std::make_unique<HistoryCommands>(m_session, *m_document, *m_files, m_dialogs, *this);
    m_zero = new ZeroCommands(m_session, *m_document, m_settings, m_liveView->data(), this);
    m_files->setZeroSource([this] { return m_zero->tableZero(); });
    m_history->setZeroCommands(m_zero);
    m_commands = new MainCommands({ *this, *m_files, *m_history, *m_liveView, m_session,
                                    *m_document, m_settings, *fraSet, *m_zero });
    m_files->setFileKeptHandler(
        [this](const QString &path) { m_commands->recentFiles()->add(path); });
    m_status->follow(*m_liveView);
    m_status->follow(*m_manualBridge);
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
            [this](const QString &note) { m_status->showNote(note, kNoteShown); });
    connect(m_commands->recentFiles(), &RecentFilesMenu::settingsProblem, this,
            &frmMain::noteSettingsProblem);
    connect(fraSet, &ScanSettingsPanel::settingsProblem, this, &frmMain::noteSettingsProblem);
    connect(m_document, &ResultDocument::loaded, m_liveView.get(), &LiveViewCommands::tableLoaded);
    connect(fgdData->horizontalHeader(), &QHeaderView::sectionClicked, m_liveView.get(),
            &LiveViewCommands::showColumnInTrend);
    MainReadouts *readouts = &fraSet->readouts();
    connect(m_manualBridge.get(), &ManualScanBridge::channelSelected, readouts,
            &MainReadouts::showChannel);
    connect(m_manualBridge.get(), &ManualScanBridge::readingFinished, readouts,
            &MainReadouts::showReading);
    const ScanCycle *cycle = &m_session.cycle();
    connect(cycle, &ScanCycle::channelSelected, readouts, &MainReadouts::showChannel);
    connect(cycle, &ScanCycle::valueRead, readouts, &MainReadouts::showPressure);
    connect(cycle, &ScanCycle::unitRead, readouts, &MainReadouts::showUnit);
    connect(cycle, &ScanCycle::rowAdded, fgdData, &ResultGridView::showRow);
    // After valueRead, which shows the reading as read.
    connect(m_zero, &ZeroCommands::readingShown, readouts, &MainReadouts::showZeroed);
    connect(m_zero, &ZeroCommands::changed, fraSet,
            [this] { fraSet->showZeroed(m_zero->isActive()); });
    connect(m_zero, &ZeroCommands::notice, this, &frmMain::showNotice);
}

void frmMain::Form_Load()
{
    fraSet->load();
    const bool stopOnLineLoss
        = m_settings.value(SettingsKeys::kSettings, SettingsKeys::kStopOnLineLoss, u"0"_s)
        == u"1"_s;
    m_commands->stopOnLineLoss->setChecked(stopOnLineLoss);
    m_session.setStopOnLineLoss(stopOnLineLoss);
    m_zero->restoreSettings();
    enterIdleState();
}

void frmMain::enterIdleState()
{
    const auto [first, last] = fraSet->tableRange();
    m_document->startNew(kTitle, first, last);
    // A new table's channels are named as the next scan will name them.
    m_document->nameChannels(fraSet->channelNames());
    m_zero->tableReplaced();
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

void frmMain::noteSettingsProblem()
{
    m_status->setSettingsProblem(tr("Settings cannot be saved: ") + m_settings.errorString());
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
    if (!m_session.start(*outcome.request)) {
        m_dialogs.message(QMessageBox::Critical, tr("Serial Port"), m_session.errorString(),
                          QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    m_events.processEvents();
}

bool frmMain::Unsaved() const
{
    return m_document->isUnsaved();
}

void frmMain::showNotice(const QString &notice)
{
    m_status->showNote(notice, kNoticeShown);
}

void frmMain::showCaption(const QString &caption)
{
    setWindowTitle(isDemo() ? tr("%1 - Demo, simulated scanner").arg(caption) : caption);
}

void frmMain::setDemo(const QString &device)
{
    m_demoDevice = device;
    showCaption(m_document->caption());
    m_status->setDemo(device);
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
    m_status->setStoreProblem(problem);
}

void frmMain::setSessionNotice(const QString &notice)
{
    m_status->setSessionNotice(notice);
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
