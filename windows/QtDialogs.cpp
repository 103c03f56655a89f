#include "QtDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

QMessageBox::StandardButton QtDialogs::message(QMessageBox::Icon icon, const QString &title,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, m_parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString QtDialogs::openFileName(const QString &title, const QString &filter)
{
    const QString path = QFileDialog::getOpenFileName(m_parent, title, m_lastPath, filter);
    if (!path.isEmpty())
        m_lastPath = path;
    return path;
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter)
{
    return chooseSaveFile(title, filter).path;
}

QString QtDialogs::suffixOfFilter(const QString &nameFilter)
{
    static const QRegularExpression firstPattern(u"\\(\\*\\.(\\w+)[ )]"_s);
    return firstPattern.match(nameFilter).captured(1);
}

Dialogs::SaveChoice QtDialogs::chooseSaveFile(const QString &title, const QString &filter)
{
    QFileDialog dialog(m_parent, title, m_lastPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog adds the suffix before it checks for an existing file, so
    // that its replace question is about the file that will be written.
    dialog.setDefaultSuffix(suffixOfFilter(dialog.selectedNameFilter()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString &chosen) { dialog.setDefaultSuffix(suffixOfFilter(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    SaveChoice choice { dialog.selectedFiles().constFirst(), dialog.selectedNameFilter() };
    if (!choice.path.isEmpty())
        m_lastPath = choice.path;
    return choice;
}
