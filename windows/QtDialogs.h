#pragma once

#include "Dialogs.h"

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

private:
    QWidget *m_parent = nullptr;
    // The dialog starts where the last file was chosen, as one dialog kept for
    // the whole run would.
    QString m_lastPath;
};
