#include "SerialPortLister.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString resolved(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

SerialPortEntry SerialDevices::entryFor(const QList<SerialPortEntry> &ports, const QString &device)
{
    const QString target = resolved(device);
    for (const SerialPortEntry &port : ports) {
        if (port.systemLocation == device || resolved(port.systemLocation) == target)
            return port;
    }
    return {};
}

QString SerialDevices::findAdapter(const QList<SerialPortEntry> &ports,
                                   const SerialPortEntry &adapter)
{
    for (const SerialPortEntry &port : ports) {
        if (port.sameAdapter(adapter))
            return port.systemLocation;
    }
    return {};
}

QString SerialDevices::stablePathFor(const QString &device, const QString &byIdDir)
{
    const QString target = resolved(device);
    const QDir dir(byIdDir);
    const QFileInfoList links = dir.entryInfoList(QDir::Files | QDir::System, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}
