#include "QtDialogs.h"

#include <QFileDialog>

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
    const QString path = QFileDialog::getSaveFileName(m_parent, title, m_lastPath, filter);
    if (!path.isEmpty())
        m_lastPath = path;
    return path;
}
