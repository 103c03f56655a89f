#pragma once

#include <QMap>

#include <optional>

class SettingsStore;

// Per-channel low and high alarm limits; either side may be unset. A value on a
// limit is inside the band.
class AlarmLimits
{
public:
    struct Band
    {
        std::optional<double> low;
        std::optional<double> high;

        bool isSet() const { return low || high; }
        friend bool operator==(const Band &, const Band &) = default;
    };
    enum class Check { Inside, Below, Above };

    Band band(int channel) const { return m_bands.value(channel); }
    // An empty band removes the channel's limits.
    void setBand(int channel, const Band &band);
    void clear() { m_bands.clear(); }
    bool isEmpty() const { return m_bands.isEmpty(); }
    const QMap<int, Band> &bands() const { return m_bands; }

    Check check(int channel, double value) const;

    // Stored as "low;high" per channel, numbers in the C locale; text that does not
    // read as a number leaves that side unset.
    void load(const SettingsStore &settings, int firstChannel, int lastChannel);
    void save(SettingsStore &settings, int firstChannel, int lastChannel) const;

    friend bool operator==(const AlarmLimits &, const AlarmLimits &) = default;

private:
    QMap<int, Band> m_bands;
};
