#pragma once

#include <QMessageBox>
#include <QString>

// Modal questions, messages and file dialogs. Each call returns only when the
// user has answered; tests replace it with scripted answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    virtual QMessageBox::StandardButton
    message(QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
        = 0;

    // The chosen path, or an empty text when the user cancelled.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    // The save dialog asks itself before an existing file is replaced.
    virtual QString saveFileName(const QString &title, const QString &filter) = 0;

    struct SaveChoice
    {
        QString path;
        // The filter's choice that was selected; empty where the dialog does not say.
        QString filter;
    };
    // As saveFileName(), and which of the filter's choices the user left selected.
    virtual SaveChoice chooseSaveFile(const QString &title, const QString &filter)
    {
        return { saveFileName(title, filter), {} };
    }
};
