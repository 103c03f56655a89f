#pragma once

#include "DocumentHost.h"
#include "ManualScanHost.h"
#include "ScanCycle.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>

#include <memory>

class Dialogs;
class EventPump;
class FileCommands;
class PortMap;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressDialog;
class QTableView;
class QToolBar;
class ResultTable;
class ScannerLink;
class SerialPort;
class SettingsStore;
class TimerFactory;

// The program's main window: scan settings, live readouts, the result table,
// and the menus and toolbar that reach every command.
class frmMain : public QMainWindow, public ManualScanHost, public DocumentHost
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore &settings;
        PortMap &ports;
        SerialPort &comScan;
        TimerFactory &timers;
        Dialogs &dialogs;
        EventPump &events;
    };

    explicit frmMain(const Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Restores the settings and brings the window into its idle state; runs
    // once, before the window is first shown.
    void Form_Load();

    // Commands, as the menus and the toolbar reach them.
    void mnuChNum_Click(int index);
    void mnuCom1_Click();
    void mnuCom2_Click();
    void tbToolBar_ButtonClick(int index);
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();
    void mnuPortDevices_Click();

    // A toolbar button by its 1-based position; separators count.
    QAction *toolbarButton(int index) const;
    int CommPort() const { return m_commPort; }
    int ChCount() const { return m_chCount; }
    bool Unsaved() const;
    ResultTable &resultTable() { return *m_table; }
    ScanCycle::State scanState() const { return m_cycle->state(); }
    // A line for the status bar that stays while the program runs.
    void setSessionNotice(const QString &notice);

    // ManualScanHost
    bool openScannerPort(QString *error) override;
    void closeScannerPort() override;
    bool PortOpen(int channel) override;
    bool ReadPres(std::function<void()> done) override;
    QString scanTermText() const override;
    QRect hostFrameGeometry() const override { return frameGeometry(); }

    // DocumentHost
    void setCaption(const QString &caption) override { setWindowTitle(caption); }
    void enterIdleState() override;
    void layOutForFile() override;
    void holdStart() override;
    void setBusy(bool busy) override;
    bool showLoadProgress(qint64 bytesDone, qint64 bytesTotal) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void connectCommands();

    void Form_Resize();
    void InitGrid();
    void fitColumnWidths();
    void StartScan();
    void StopScan();
    void setPortNumber(int port);
    void applyCommandStates();
    void showChannel(int channel);
    void showPressure(const QString &value);
    void updateStatusText();
    QString portDescription() const;

    SettingsStore &m_settings;
    PortMap &m_ports;
    SerialPort &comScan;
    TimerFactory &m_timers;
    Dialogs &m_dialogs;
    EventPump &m_events;

    ResultTable *m_table = nullptr;
    std::unique_ptr<ScannerLink> m_link;
    std::unique_ptr<ScanCycle> m_cycle;
    std::unique_ptr<FileCommands> m_files;

    int m_chCount = 0;
    int m_commPort = 1;
    bool m_manualAwaiting = false;
    std::function<void()> m_manualDone;
    bool m_manualSilent = false;
    QString m_lineProblem;
    QString m_sessionNotice;
    bool m_busy = false;
    QProgressDialog *m_loadProgress = nullptr;

    QWidget *m_client = nullptr;
    QGroupBox *fraData = nullptr;
    QTableView *fgdData = nullptr;
    QGroupBox *fraSet = nullptr;
    QGroupBox *fraPres = nullptr;
    QLabel *lblUnit = nullptr;
    QLabel *lblPres = nullptr;
    QGroupBox *fraCh = nullptr;
    QLabel *lblCH = nullptr;
    QLineEdit *txtTerm = nullptr;
    QComboBox *cboEnd = nullptr;
    QComboBox *cboStart = nullptr;
    QToolBar *tbToolBar = nullptr;
    QList<QAction *> m_buttons;
    QList<QIcon> imlToolbarIcons;
    QLabel *m_statusText = nullptr;
    QLabel *m_statusDate = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFileNew = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuSet = nullptr;
    QMenu *mnuComm = nullptr;
    QAction *mnuCom1 = nullptr;
    QAction *mnuCom2 = nullptr;
    QMenu *mnuChannel = nullptr;
    QList<QAction *> mnuChNum;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;
};
