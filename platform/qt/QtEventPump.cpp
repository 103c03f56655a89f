#include "QtEventPump.h"

#include <QCoreApplication>

void QtEventPump::processEvents()
{
    QCoreApplication::processEvents();
}
