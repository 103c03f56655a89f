#pragma once

#include <QString>

// Per-user text settings, addressed by section and key under the application's name.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or fallback when nothing is stored under section/key.
    virtual QString value(const QString &section, const QString &key,
                          const QString &fallback) const = 0;
    // Creates or replaces the value and writes it out; false, with
    // errorString() saying why, when it could not be kept.
    virtual bool setValue(const QString &section, const QString &key, const QString &text) = 0;
    virtual QString errorString() const = 0;
};
