#pragma once

#include <QList>
#include <QString>

// One serial device the system lists, with what identifies its adapter.
struct SerialPortEntry
{
    QString systemLocation; // "/dev/ttyUSB0"
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
    QString description;

    // Vendor and product are known: the adapter can be told from others.
    bool identifiable() const { return vendorId != 0 || productId != 0; }
    bool sameAdapter(const SerialPortEntry &other) const
    {
        return identifiable() && vendorId == other.vendorId && productId == other.productId
            && serialNumber == other.serialNumber;
    }
};

// The serial devices present now. Tests replace it with a list they change.
class SerialPortLister
{
public:
    virtual ~SerialPortLister() = default;
    virtual QList<SerialPortEntry> ports() const = 0;
};

namespace SerialDevices {

// The listed entry of device (a symbolic link resolved), if it is listed.
SerialPortEntry entryFor(const QList<SerialPortEntry> &ports, const QString &device);
// Where an adapter with the identity of adapter is now; empty when none is.
QString findAdapter(const QList<SerialPortEntry> &ports, const SerialPortEntry &adapter);
// The name under byIdDir (a link per adapter, named after it) that leads to
// device; empty when there is none.
QString stablePathFor(const QString &device,
                      const QString &byIdDir = QStringLiteral("/dev/serial/by-id"));

} // namespace SerialDevices
