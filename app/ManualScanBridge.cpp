#include "ManualScanBridge.h"

#include "NumberText.h"
#include "ScanSession.h"

#include <QWidget>

#include <algorithm>
#include <climits>

ManualScanBridge::ManualScanBridge(ScanSession &session, QWidget &hostWindow, Sources sources)
    : m_session(session), m_hostWindow(hostWindow), m_sources(std::move(sources))
{ }

bool ManualScanBridge::openScannerPort(QString *error)
{
    if (m_session.openLine(m_sources.portName(), m_sources.device())) {
        Q_EMIT lineOpened();
        return true;
    }
    if (error)
        *error = m_session.errorString();
    return false;
}

void ManualScanBridge::closeScannerPort()
{
    m_session.closeLine();
}

bool ManualScanBridge::PortOpen(int channel)
{
    Q_EMIT channelSelected(channel);
    // The line failed at an earlier reading: this click opens it again.
    if (!m_session.reopenLostLine()) {
        Q_EMIT lineNotReopened(m_session.errorString());
        return false;
    }
    return m_session.manual().select(channel);
}

bool ManualScanBridge::ReadPres(std::function<void()> done)
{
    const double term = numberFromText(m_sources.termText());
    const auto timeout = ScanCycle::replyTimeoutFor(
        std::chrono::milliseconds(qint64(std::clamp(term * 1000, 0.0, double(INT_MAX)))));
    return m_session.manual().query(timeout, [this, done](const Reading &reading) {
        Q_EMIT readingFinished(reading);
        done();
    });
}

QRect ManualScanBridge::hostFrameGeometry() const
{
    return m_hostWindow.frameGeometry();
}
