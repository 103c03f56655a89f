#pragma once

#include <QString>

class SettingsStore;

// Maps the port numbers the user chooses (1 for com1, 2 for com2) to serial
// devices. The mapping is kept in the settings store; a demonstration run
// overrides it for the session without storing anything.
class PortMap
{
public:
    explicit PortMap(SettingsStore &settings);

    QString device(int port) const;
    // Stores the device behind a port; false when the settings could not be
    // written. A demonstration run stores nothing.
    bool setDevice(int port, const QString &device);
    bool isOverridden() const { return !m_override.isEmpty(); }
    static QString defaultDevice(int port);

    // Routes every port to device until the program ends; nothing is stored.
    void overrideAll(const QString &device) { m_override = device; }

    // The port name a scan on the simulated scanner goes by in the record, so
    // that its history and exports never pass it off as real: "demo", or
    // "demo (com1)" where the window's port is known.
    static QString simulatedPortName(const QString &port = {});
    static bool isSimulatedPortName(const QString &name);

private:
    SettingsStore &m_settings;
    QString m_override;
};
