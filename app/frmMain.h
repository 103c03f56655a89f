#pragma once

#include "DocumentHost.h"
#include "ScanSession.h"

#include <QMainWindow>

#include <memory>

class Dialogs;
class EventPump;
class FileCommands;
class LiveViewCommands;
class MainCommands;
class MainStatusBar;
class ManualScanBridge;
class HistoryCommands;
class PortMap;
class DesktopNotifier;
class QProgressDialog;
class ResultGridView;
class ResultDocument;
class ScanSettingsPanel;
class SettingsStore;
class TimerFactory;
class ZeroCommands;

// The program's main window: scan settings, live readouts, the result table,
// and the menus and toolbar that reach every command. The scan itself belongs
// to the session the window is handed; the window turns its input into
// requests and shows what the session reports.
class frmMain : public QMainWindow, public DocumentHost
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore &settings;
        PortMap &ports;
        ScanSession &session;
        TimerFactory &timers;
        Dialogs &dialogs;
        EventPump &events;
    };

    explicit frmMain(const Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Restores the settings and brings the window into its idle state; runs
    // once, before the window is first shown.
    void Form_Load();

    // The window's own part of the commands: what needs its dialogs or its
    // settings row.
    void StartScan();
    void openManualWindow();
    void showAbout();
    void choosePortDevices();
    // Opens a file chosen elsewhere (Open Recent, the command line, a drop) as
    // Open does, save question first; nothing while Open is not available.
    void openFile(const QString &path);

    // Offers back a scan the program did not end itself, and reopens the live
    // view if it was open; runs once the window is shown.
    void offerRecovery();

    // Ends the program as a desktop session ends: the scan stops, the port
    // closes, nothing is asked because nobody is there to answer.
    void endSession();

    bool Unsaved() const;
    ResultTable &resultTable() { return m_session.table(); }
    ResultDocument &document() { return *m_document; }
    // A line for the status bar that stays while the program runs.
    void setSessionNotice(const QString &notice);
    // The program runs against the simulated scanner on device: the title and
    // a status bar note that no other message covers say so.
    void setDemo(const QString &device);
    bool isDemo() const { return !m_demoDevice.isEmpty(); }
    // Where the record and the log are, for About.
    void setFileLocations(const QString &record, const QString &log);
    // The settings name a record the program cannot use; it keeps the local one.
    void setStoreProblem(const QString &problem);
    // Where a channel leaving its alarm limits is told besides the status bar.
    void setDesktopNotifier(DesktopNotifier *notifier);

    // What the manual window uses of this one.
    ManualScanBridge &manualHost() { return *m_manualBridge; }

    // DocumentHost
    void enterIdleState() override;
    void setBusy(bool busy) override;
    bool showLoadProgress(qint64 bytesDone, qint64 bytesTotal) override;
    void showNotice(const QString &notice) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Building and placing the widgets (frmMainControls.cpp).
    void createControls();
    void Form_Resize();
    void connectCommands();
    // The caption, marked while the scanner is simulated.
    void showCaption(const QString &caption);
    void noteSettingsProblem();

    SettingsStore &m_settings;
    PortMap &m_ports;
    ScanSession &m_session;
    TimerFactory &m_timers;
    Dialogs &m_dialogs;
    EventPump &m_events;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<LiveViewCommands> m_liveView;
    std::unique_ptr<ManualScanBridge> m_manualBridge;
    std::unique_ptr<HistoryCommands> m_history;
    MainCommands *m_commands = nullptr;
    MainStatusBar *m_status = nullptr;
    ResultDocument *m_document = nullptr;
    ZeroCommands *m_zero = nullptr;

    QString m_demoDevice;
    QString m_recordLocation;
    QString m_logLocation;
    bool m_busy = false;
    bool m_endingSession = false;
    QProgressDialog *m_loadProgress = nullptr;

    QWidget *m_client = nullptr;
    QWidget *fraData = nullptr;
    ResultGridView *fgdData = nullptr;
    ScanSettingsPanel *fraSet = nullptr;
};
