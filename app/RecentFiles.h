#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// The result files opened or saved last, newest first, at most eight, kept in
// the settings' Recent section as soon as the list changes.
class RecentFiles
{
public:
    explicit RecentFiles(SettingsStore &settings);

    const QStringList &paths() const { return m_paths; }
    // Puts the file at the top, or moves it there. False, with errorString(),
    // when the list could not be kept.
    bool add(const QString &path);
    bool remove(const QString &path);
    QString errorString() const { return m_error; }

private:
    bool store(qsizetype slotsBefore);

    SettingsStore &m_settings;
    QStringList m_paths;
    QString m_error;
};
