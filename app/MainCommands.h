#pragma once

#include <QList>
#include <QObject>

class FileCommands;
class HistoryCommands;
class LiveViewCommands;
class QAction;
class QMenu;
class QToolBar;
class RecentFilesMenu;
class ResultDocument;
class ScanSession;
class ScanSettingsPanel;
class SettingsStore;
class ZeroCommands;
class frmMain;

// Every command of the main window as one QAction, shared by the menus and the
// toolbar, each wired to the object that does its work, and the one rule that
// says which commands may run now. A new command is its line in the
// constructor and, when it depends on the scan, its line in applyState().
class MainCommands : public QObject
{
    Q_OBJECT
public:
    struct Targets
    {
        frmMain &window;
        FileCommands &files;
        HistoryCommands &history;
        LiveViewCommands &liveView;
        ScanSession &session;
        ResultDocument &document;
        SettingsStore &settings;
        // The scan settings, which take no input while a scan runs.
        ScanSettingsPanel &scanSettings;
        ZeroCommands &zero;
    };

    explicit MainCommands(const Targets &targets);

    // Enables the commands for the session's state and the document's.
    void applyState();

    QToolBar *toolBar() const { return m_toolBar; }
    RecentFilesMenu *recentFiles() const { return m_recentFiles; }

    QAction *fileNew = nullptr;
    QAction *fileOpen = nullptr;
    QAction *fileSave = nullptr;
    QAction *fileHistory = nullptr;
    QAction *filePrint = nullptr;
    QAction *stopOnLineLoss = nullptr;
    QAction *com1 = nullptr;
    QAction *com2 = nullptr;
    QList<QAction *> channelCounts;
    QAction *scanStart = nullptr;
    QAction *scanStop = nullptr;
    QAction *scanManual = nullptr;
    QAction *scanZero = nullptr;
    QAction *scanClearZero = nullptr;
    QAction *channelNames = nullptr;
    QAction *settleCheck = nullptr;

private:
    QMenu *addMenu(QMenu *parent, const char *name, const QString &title);
    template<typename Work>
    QAction *add(QMenu *menu, const char *name, const QString &text, Work work,
                 const QKeySequence &key = {});
    // Puts command on the toolbar, its tool tip naming its key.
    void place(QAction *command, const char *name, const char *picture, const QString &text);

    ScanSession &m_session;
    ResultDocument &m_document;
    ScanSettingsPanel &m_scanSettings;
    ZeroCommands &m_zero;
    QToolBar *m_toolBar = nullptr;
    RecentFilesMenu *m_recentFiles = nullptr;
    QMenu *m_ports = nullptr;
    QMenu *m_channels = nullptr;
};
