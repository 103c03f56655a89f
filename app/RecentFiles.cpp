#include "RecentFiles.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>

using namespace SettingsKeys;

namespace {

// One file has one entry, however it was named.
QString canonical(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(SettingsStore &settings) : m_settings(settings)
{
    for (int position = 1; position <= kRecentCount; ++position) {
        const QString path = m_settings.value(kRecent, recentFileKey(position), {});
        if (!path.isEmpty() && !m_paths.contains(path))
            m_paths << path;
    }
}

bool RecentFiles::add(const QString &path)
{
    const qsizetype before = m_paths.size();
    const QString file = canonical(path);
    m_paths.removeAll(file);
    m_paths.prepend(file);
    if (m_paths.size() > kRecentCount)
        m_paths.resize(kRecentCount);
    return store(before);
}

bool RecentFiles::remove(const QString &path)
{
    const qsizetype before = m_paths.size();
    return m_paths.removeAll(canonical(path)) == 0 || store(before);
}

bool RecentFiles::store(qsizetype slotsBefore)
{
    // Slots that held a file before and hold none now are emptied; slots never
    // used are not written.
    const qsizetype used = std::max(slotsBefore, m_paths.size());
    for (qsizetype i = 0; i < used; ++i) {
        if (!m_settings.setValue(kRecent, recentFileKey(int(i + 1)), m_paths.value(i))) {
            m_error = m_settings.errorString();
            return false;
        }
    }
    m_error.clear();
    return true;
}
