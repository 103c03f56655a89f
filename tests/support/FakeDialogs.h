#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

// Dialogs for tests: answers come from queues the test fills, and every
// message shown is recorded. An unexpected question is answered with Cancel
// and an unexpected file dialog is cancelled, so a wrong path never hangs.
class FakeDialogs : public Dialogs
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };

    QList<QMessageBox::StandardButton> answers;
    QStringList openPaths;
    QStringList savePaths;
    QStringList saveFilters;
    QList<Message> messages;
    QStringList fileDialogTitles;
    QStringList fileDialogFilters;

    QMessageBox::StandardButton message(QMessageBox::Icon icon, const QString &title,
                                        const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        messages.append({ icon, title, text, buttons, defaultButton });
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QString openFileName(const QString &title, const QString &filter) override
    {
        fileDialogTitles << title;
        fileDialogFilters << filter;
        return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
    }
    QString saveFileName(const QString &title, const QString &filter) override
    {
        return chooseSaveFile(title, filter).path;
    }
    // The filter choice comes from saveFilters, or is the first one, as a
    // dialog opens with it.
    SaveChoice chooseSaveFile(const QString &title, const QString &filter) override
    {
        fileDialogTitles << title;
        fileDialogFilters << filter;
        const QString chosen = saveFilters.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0)
                                                     : saveFilters.takeFirst();
        return { savePaths.isEmpty() ? QString() : savePaths.takeFirst(), chosen };
    }
};
