#include "QtSerialPortLister.h"

#include <QSerialPortInfo>

QList<SerialPortEntry> QtSerialPortLister::ports() const
{
    QList<SerialPortEntry> entries;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortEntry entry;
        entry.systemLocation = info.systemLocation();
        entry.vendorId = info.hasVendorIdentifier() ? info.vendorIdentifier() : 0;
        entry.productId = info.hasProductIdentifier() ? info.productIdentifier() : 0;
        entry.serialNumber = info.serialNumber();
        entry.description = info.description();
        entries.append(entry);
    }
    return entries;
}
