#pragma once

#include "SettingsStore.h"

#include <QHash>

// Settings kept in memory, for tests and benchmarks that need no file.
class MemorySettings : public SettingsStore
{
public:
    QString value(const QString &section, const QString &key,
                  const QString &fallback) const override
    {
        return values.value(section + u'/' + key, fallback);
    }
    bool setValue(const QString &section, const QString &key, const QString &text) override
    {
        values.insert(section + u'/' + key, text);
        return true;
    }
    QString errorString() const override { return {}; }

    QHash<QString, QString> values;
};
