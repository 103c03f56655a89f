#pragma once

#include "SerialPortLister.h"

// The serial devices QSerialPortInfo lists.
class QtSerialPortLister : public SerialPortLister
{
public:
    QList<SerialPortEntry> ports() const override;
};
