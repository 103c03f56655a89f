#pragma once

#include "FakeSerialPort.h"
#include "ScannerModel.h"

#include <QCoreApplication>
#include <QList>
#include <QTimer>

// The simulated scanner behind a FakeSerialPort: what the program writes goes
// to a ScannerModel, and its replies come back on the next turn of the event
// loop, as bytes from a device would. Delays of the model are not kept: a test
// decides when time passes by firing the fake timers, and a reply the model
// delays is held back, with everything after it, until releaseReply().
class FakeScanner
{
public:
    explicit FakeScanner(FakeSerialPort &port) : m_port(port)
    {
        m_port.onWrite = [this](const QByteArray &bytes) {
            for (const ScannerModel::Action &action : model.receive(bytes)) {
                if (action.after.count() > 0 || !m_held.isEmpty())
                    m_held.append(action);
                else if (action.closeLine)
                    QTimer::singleShot(0, &m_port, [this] { m_port.failLine(); });
                else
                    QTimer::singleShot(0, &m_port,
                                       [this, reply = action.bytes] { m_port.receive(reply); });
            }
        };
    }
    ~FakeScanner() { m_port.onWrite = {}; }

    // Delivers the oldest reply held back, now; false when none is held.
    bool releaseReply()
    {
        if (m_held.isEmpty())
            return false;
        const ScannerModel::Action action = m_held.takeFirst();
        if (action.closeLine)
            m_port.failLine();
        else
            m_port.receive(action.bytes);
        return true;
    }

    ScannerModel model;

private:
    FakeSerialPort &m_port;
    QList<ScannerModel::Action> m_held;
};
