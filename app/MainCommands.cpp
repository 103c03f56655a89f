#include "MainCommands.h"

#include "ChannelNames.h"
#include "FileCommands.h"
#include "HistoryCommands.h"
#include "LiveViewCommands.h"
#include "LogLocation.h"
#include "RecentFilesMenu.h"
#include "ResultDocument.h"
#include "ScanSession.h"
#include "ScanSettingsPanel.h"
#include "SettingsKeys.h"
#include "ZeroCommands.h"
#include "frmMain.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <QUrl>

using namespace Qt::StringLiterals;

MainCommands::MainCommands(const Targets &targets)
    : QObject(&targets.window)
    , m_session(targets.session)
    , m_document(targets.document)
    , m_scanSettings(targets.scanSettings)
    , m_zero(targets.zero)
{
    frmMain &window = targets.window;
    FileCommands &files = targets.files;
    HistoryCommands &history = targets.history;
    LiveViewCommands &liveView = targets.liveView;
    ScanSession &session = targets.session;
    ScanSettingsPanel &scanSettings = targets.scanSettings;

    QMenu *file = addMenu(nullptr, "mnuFile", tr("&File"));
    fileNew = add(
        file, "mnuFileNew", tr("&New File"), [&] { files.New(); }, Qt::CTRL | Qt::Key_N);
    fileOpen = add(
        file, "mnuFileOpen", tr("&Open..."), [&] { files.Open(); }, Qt::CTRL | Qt::Key_O);
    QMenu *recent = addMenu(file, "mnuFileRecent", tr("Open &Recent"));
    m_recentFiles = new RecentFilesMenu(recent, targets.settings, this);
    fileSave = add(
        file, "mnuFileSave", tr("&Save..."), [&] { files.Save(); }, Qt::CTRL | Qt::Key_S);
    fileHistory = add(file, "mnuFileHistory", tr("Scan &History..."),
                      [&] { history.showHistory(&window); });
    add(file, "mnuFileExportCsv", tr("Export &CSV..."), [&] { history.exportTable(); });
    file->addSeparator()->setObjectName(u"mnuFileBar0"_s);
    // Printing was never offered; the command stays in its place, off.
    filePrint = add(file, "mnuFilePrint", tr("&Print..."), [] {});
    file->addSeparator()->setObjectName(u"mnuFileBar1"_s);
    add(
        file, "mnuFileExit", tr("E&xit"), [&] { window.close(); }, Qt::CTRL | Qt::Key_Q);

    QMenu *set = addMenu(nullptr, "mnuSet", tr("&Set"));
    m_ports = addMenu(set, "mnuComm", tr("Serial &Port"));
    com1 = add(m_ports, "mnuCom1", u"com1"_s, [&] { scanSettings.choosePort(1); });
    com2 = add(m_ports, "mnuCom2", u"com2"_s, [&] { scanSettings.choosePort(2); });
    m_ports->addSeparator()->setObjectName(u"mnuCommBar0"_s);
    add(m_ports, "mnuPortDevices", tr("Serial &Devices..."), [&] { window.choosePortDevices(); });
    stopOnLineLoss = add(
        m_ports, "mnuStopOnLineLoss", tr("&Stop the scan when the line is lost"), [&](bool stop) {
            scanSettings.keep(SettingsKeys::kStopOnLineLoss, stop ? u"1"_s : u"0"_s);
            session.setStopOnLineLoss(stop);
        });
    for (QAction *choice : { com1, com2, stopOnLineLoss })
        choice->setCheckable(true);
    m_channels = addMenu(set, "mnuChannel", tr("&Channel Count"));
    for (int i = 0; i < 10; ++i) {
        QAction *count = add(m_channels, "mnuChNum", QString::number((i + 1) * 10),
                             [&scanSettings, i] { scanSettings.chooseChannelCount(i); });
        count->setCheckable(true);
        count->setProperty("index", i);
        channelCounts << count;
    }
    add(set, "mnuAlarmLimits", tr("&Alarm Limits..."), [&] { liveView.editAlarmLimits(); });
    channelNames = add(set, "mnuChannels", tr("C&hannels..."), [this, &scanSettings] {
        // Rows already taken keep the names they were taken with.
        const std::optional<ChannelNames> names = scanSettings.editChannelNames();
        if (names && !m_document.isStartHeld())
            m_document.nameChannels(*names);
    });

    QMenu *view = addMenu(nullptr, "mnuView", tr("&View"));
    add(
        view, "mnuViewLive", tr("&Live View"), [&] { liveView.showWindow(); }, Qt::Key_F6);

    // The scan commands of the toolbar, with keys, so that a scan can be run
    // without the mouse.
    QMenu *scan = addMenu(nullptr, "mnuScan", tr("S&can"));
    scanStart = add(
        scan, "mnuScanStart", tr("&Start"), [&] { window.StartScan(); }, Qt::Key_F5);
    scanStop = add(
        scan, "mnuScanStop", tr("S&top"), [&] { session.stop(); }, Qt::SHIFT | Qt::Key_F5);
    scanManual = add(scan, "mnuScanManual", tr("&Manual..."), [&] { window.openManualWindow(); });
    scan->addSeparator()->setObjectName(u"mnuScanBar0"_s);
    ZeroCommands &zero = targets.zero;
    scanZero = add(scan, "mnuScanZero", tr("&Zero"), [&] { zero.zero(); });
    scanClearZero = add(scan, "mnuScanClearZero", tr("C&lear Zero"), [&] { zero.clearZero(); });
    zero.fillPassesMenu(addMenu(scan, "mnuZeroPasses", tr("Zero &Passes")));
    settleCheck = add(scan, "mnuScanSettle", tr("Settle &Check..."),
                      [&] { scanSettings.editSettleCheck(); });

    QMenu *help = addMenu(nullptr, "mnuHelp", tr("&Help"));
    add(
        help, "mnuHelpAbout", tr("&About"), [&] { window.showAbout(); }, Qt::Key_F1);
    add(help, "mnuHelpAboutQt", tr("About &Qt"), [&] { QMessageBox::aboutQt(&window); });
    add(help, "mnuHelpShowLog", tr("Show &Log"),
        [] { QDesktopServices::openUrl(QUrl::fromLocalFile(logDirectory())); });

    m_toolBar = window.addToolBar(tr("Toolbar"));
    m_toolBar->setObjectName(u"tbToolBar"_s);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->toggleViewAction()->setEnabled(false);
    place(fileNew, "tbNewFile", "new", tr("New File"));
    place(fileOpen, "tbOpen", "open", tr("Open"));
    place(fileSave, "tbSave", "save", tr("Save"));
    m_toolBar->addSeparator()->setObjectName(u"tbSeparator"_s);
    place(filePrint, "tbPrint", "print", tr("Print"));
    m_toolBar->addSeparator()->setObjectName(u"tbSeparator"_s);
    place(scanStart, "tbStart", "start", tr("Start"));
    place(scanStop, "tbStop", "stop", tr("Stop"));
    m_toolBar->addSeparator()->setObjectName(u"tbSeparator"_s);
    place(scanManual, "tbManual", "manual", tr("Manual"));

    connect(&scanSettings, &ScanSettingsPanel::portChosen, this, [this](int port) {
        com1->setChecked(port == 1);
        com2->setChecked(port == 2);
    });
    connect(&scanSettings, &ScanSettingsPanel::channelCountChosen, this, [this](int index) {
        for (int i = 0; i < channelCounts.size(); ++i)
            channelCounts.at(i)->setChecked(i == index);
    });
    connect(&session, &ScanSession::stateChanged, this, &MainCommands::applyState);
    connect(&m_document, &ResultDocument::changed, this, &MainCommands::applyState);
    connect(&zero, &ZeroCommands::changed, this, &MainCommands::applyState);
    applyState();
}

void MainCommands::applyState()
{
    const bool scanning = m_session.isScanning();
    // The names and the settle check a scan started with hold until it ends.
    for (QAction *command : { fileNew, fileOpen, fileSave, fileHistory, scanManual, channelNames,
                              settleCheck, m_ports->menuAction(), m_channels->menuAction() })
        command->setEnabled(!scanning);
    m_recentFiles->setCommandEnabled(!scanning);
    filePrint->setEnabled(false);
    scanStart->setEnabled(!scanning && !m_document.isStartHeld());
    scanStop->setEnabled(scanning);
    scanZero->setEnabled(m_zero.canZero());
    scanClearZero->setEnabled(m_zero.canClear());
    m_scanSettings.setEnabled(!scanning);
}

QMenu *MainCommands::addMenu(QMenu *parent, const char *name, const QString &title)
{
    auto *window = static_cast<frmMain *>(this->parent());
    QMenu *menu = parent ? parent->addMenu(title) : window->menuBar()->addMenu(title);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

template<typename Work>
QAction *MainCommands::add(QMenu *menu, const char *name, const QString &text, Work work,
                           const QKeySequence &key)
{
    QAction *command = menu->addAction(text);
    command->setObjectName(QString::fromLatin1(name));
    command->setShortcut(key);
    connect(command, &QAction::triggered, this, work);
    return command;
}

void MainCommands::place(QAction *command, const char *name, const char *picture,
                         const QString &text)
{
    command->setIcon(QIcon(u":/icons/"_s + QLatin1StringView(picture) + u".png"_s));
    command->setIconVisibleInMenu(false);
    command->setIconText(text);
    const QKeySequence key = command->shortcut();
    command->setToolTip(
        key.isEmpty() ? text : u"%1 (%2)"_s.arg(text, key.toString(QKeySequence::NativeText)));
    m_toolBar->addAction(command);
    QWidget *button = m_toolBar->widgetForAction(command);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(23, 22);
}
