#include "QtSettingsStore.h"

#include <QStandardPaths>
#include <QStringList>

using namespace Qt::StringLiterals;

QtSettingsStore::QtSettingsStore() : QtSettingsStore(defaultFilePath()) { }

QString QtSettingsStore::defaultFilePath()
{
    // $XDG_CONFIG_HOME/ROZIVODA/ROZIVODA.conf on Linux, the user's
    // configuration folder elsewhere.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/ROZIVODA/ROZIVODA.conf"_s;
}

QtSettingsStore::QtSettingsStore(const QString &iniFilePath)
    : m_settings(iniFilePath, QSettings::IniFormat)
{ }

static QString keyPath(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

QString QtSettingsStore::value(const QString &section, const QString &key,
                               const QString &fallback) const
{
    const QVariant stored = m_settings.value(keyPath(section, key));
    if (!stored.isValid())
        return fallback;
    // The INI reader splits an unquoted value with commas into a list; the
    // text as written is what the caller asked for.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(u',');
    return stored.toString();
}

bool QtSettingsStore::setValue(const QString &section, const QString &key, const QString &text)
{
    m_settings.setValue(keyPath(section, key), text);
    m_settings.sync();
    switch (m_settings.status()) {
    case QSettings::NoError:
        m_error.clear();
        return true;
    case QSettings::AccessError:
        m_error = u"%1 cannot be written"_s.arg(m_settings.fileName());
        break;
    case QSettings::FormatError:
        m_error = u"%1 cannot be read as a settings file"_s.arg(m_settings.fileName());
        break;
    }
    return false;
}
