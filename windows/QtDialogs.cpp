#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
    const QString path
        = QFileDialog::getOpenFileName(m_parent, title, startFor(title, filter, false), filter);
    remember(title, path);
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
    QFileDialog dialog(m_parent, title, startFor(title, filter, true), filter);
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
    remember(title, choice.path);
    return choice;
}

QString QtDialogs::startPath(const QString &commandsLast, const QString &anyLast,
                             const QString &filter, bool save)
{
    if (!commandsLast.isEmpty())
        return commandsLast;
    if (anyLast.isEmpty())
        return {};
    const QFileInfo last(anyLast);
    if (!save)
        return last.path();
    const QString suffix = suffixOfFilter(filter);
    return QDir(last.path())
        .filePath(suffix.isEmpty() ? last.completeBaseName()
                                   : last.completeBaseName() + u'.' + suffix);
}

QString QtDialogs::startFor(const QString &title, const QString &filter, bool save) const
{
    return startPath(m_lastPaths.value(title), m_lastPath, filter, save);
}

void QtDialogs::remember(const QString &title, const QString &path)
{
    if (path.isEmpty())
        return;
    m_lastPaths.insert(title, path);
    m_lastPath = path;
}
