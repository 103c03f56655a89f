#include "PortMap.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

using namespace Qt::StringLiterals;

PortMap::PortMap(SettingsStore &settings) : m_settings(settings) { }

QString PortMap::defaultDevice(int port)
{
#ifdef Q_OS_WIN
    return u"COM"_s + QString::number(port);
#else
    // /dev/ttyS0 is the first serial port, which Windows calls COM1.
    return u"/dev/ttyS"_s + QString::number(port - 1);
#endif
}

QString PortMap::device(int port) const
{
    if (!m_override.isEmpty())
        return m_override;
    const QString stored
        = m_settings.value(SettingsKeys::kPorts, SettingsKeys::portKey(port), defaultDevice(port))
              .trimmed();
    return stored.isEmpty() ? defaultDevice(port) : stored;
}

bool PortMap::setDevice(int port, const QString &device)
{
    // The demonstration's pseudo-terminal is gone once the program ends: kept
    // in the settings, it would be a dead device at the next start.
    if (isOverridden())
        return true;
    return m_settings.setValue(SettingsKeys::kPorts, SettingsKeys::portKey(port), device.trimmed());
}

QString PortMap::simulatedPortName(const QString &port)
{
    return port.isEmpty() ? QStringLiteral("demo") : QStringLiteral("demo (%1)").arg(port);
}

bool PortMap::isSimulatedPortName(const QString &name)
{
    return name == simulatedPortName() || name.startsWith(QStringLiteral("demo ("));
}
