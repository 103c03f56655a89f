#pragma once

#include "SettingsStore.h"

#include <QSettings>

// Settings kept in an INI file: by default the per-user
// $XDG_CONFIG_HOME/ROZIVODA/ROZIVODA.conf (see defaultFilePath()); tests pass a
// file of their own.
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();
    explicit QtSettingsStore(const QString &iniFilePath);

    QString value(const QString &section, const QString &key,
                  const QString &fallback) const override;
    bool setValue(const QString &section, const QString &key, const QString &text) override;
    QString errorString() const override { return m_error; }

    QString fileName() const { return m_settings.fileName(); }
    static QString defaultFilePath();

private:
    mutable QSettings m_settings;
    QString m_error;
};
