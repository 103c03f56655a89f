#include "RecentFilesMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// Long paths are shortened in the middle, where the folders are least telling.
constexpr int kItemTextWidth = 480;

} // namespace

RecentFilesMenu::RecentFilesMenu(QMenu *menu, SettingsStore &settings, QObject *parent)
    : QObject(parent), m_menu(menu), m_files(settings)
{
    rebuild();
}

void RecentFilesMenu::add(const QString &path)
{
    if (!m_files.add(path))
        Q_EMIT settingsProblem();
    rebuild();
}

void RecentFilesMenu::setCommandEnabled(bool enabled)
{
    m_commandEnabled = enabled;
    m_menu->menuAction()->setEnabled(m_commandEnabled && !m_files.paths().isEmpty());
}

void RecentFilesMenu::choose(const QString &path)
{
    if (QFileInfo::exists(path)) {
        Q_EMIT openRequested(path);
        return;
    }
    if (!m_files.remove(path))
        Q_EMIT settingsProblem();
    rebuild();
    Q_EMIT noteRequested(tr("%1 no longer exists; it was taken off the recent files.").arg(path));
}

void RecentFilesMenu::rebuild()
{
    // Later, not now: the item that was chosen may still be delivering its signal.
    for (QAction *old : m_menu->actions()) {
        m_menu->removeAction(old);
        old->deleteLater();
    }
    const QFontMetrics metrics(m_menu->font());
    const QStringList &paths = m_files.paths();
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        QString shown = metrics.elidedText(path, Qt::ElideMiddle, kItemTextWidth);
        shown.replace(u'&', u"&&"_s);
        QAction *item = m_menu->addAction(u"&%1 %2"_s.arg(i + 1).arg(shown));
        item->setObjectName(u"mnuFileRecentItem"_s);
        item->setData(path);
        item->setStatusTip(path);
        connect(item, &QAction::triggered, this, [this, path] { choose(path); });
    }
    setCommandEnabled(m_commandEnabled);
}
