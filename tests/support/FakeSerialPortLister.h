#pragma once

#include "SerialPortLister.h"

// The serial devices a test says are present.
class FakeSerialPortLister : public SerialPortLister
{
public:
    QList<SerialPortEntry> present;
    QList<SerialPortEntry> ports() const override { return present; }
};
