#pragma once

#include "Dialogs.h"

#include <QHash>

class QWidget;

class QtDialogs : public Dialogs
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    QMessageBox::StandardButton message(QMessageBox::Icon icon, const QString &title,
                                        const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QString openFileName(const QString &title, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &filter) override;
    // A name typed without a suffix gets the one of the selected filter's first
    // pattern ("Text File (*.txt)" gives .txt, "All File (*)" none).
    SaveChoice chooseSaveFile(const QString &title, const QString &filter) override;

    static QString suffixOfFilter(const QString &nameFilter);
    // Where a file dialog for a command starts: the file that command chose
    // last, else the folder of any command's last file; a save dialog offers
    // that file's name with the suffix of the command's first filter, so that
    // Export CSV after saving run1.txt suggests run1.csv, never run1.txt.
    static QString startPath(const QString &commandsLast, const QString &anyLast,
                             const QString &filter, bool save);

private:
    QString startFor(const QString &title, const QString &filter, bool save) const;
    void remember(const QString &title, const QString &path);

    QWidget *m_parent = nullptr;
    // Each command (known by its dialog's title) remembers its own file.
    QHash<QString, QString> m_lastPaths;
    QString m_lastPath;
};
