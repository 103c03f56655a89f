#pragma once

#include "RecentFiles.h"

#include <QObject>

class QMenu;
class SettingsStore;

// File > Open Recent: one numbered item per recent file, newest first. A file
// that no longer exists is taken off the list when it is chosen, with a note.
class RecentFilesMenu : public QObject
{
    Q_OBJECT
public:
    RecentFilesMenu(QMenu *menu, SettingsStore &settings, QObject *parent = nullptr);

    // A file read or written whole goes to the top.
    void add(const QString &path);
    // Off while a scan runs, as Open is; the menu is also off while it is empty.
    void setCommandEnabled(bool enabled);
    const RecentFiles &files() const { return m_files; }

Q_SIGNALS:
    void openRequested(const QString &path);
    void noteRequested(const QString &note);
    void settingsProblem();

private:
    void choose(const QString &path);
    void rebuild();

    QMenu *m_menu;
    RecentFiles m_files;
    bool m_commandEnabled = true;
};
