#include "ManualReading.h"

#include "ScannerLink.h"

ManualReading::ManualReading(ScannerLink &link, QObject *parent) : QObject(parent), m_link(link)
{
    connect(&m_link, &ScannerLink::replyReceived, this,
            [this](const ParsedReply &reply, const QByteArray &raw) {
                if (!isBusy())
                    return;
                Reading reading;
                if (reply.valueTaken) {
                    reading.value = reply.value;
                    reading.unit = reply.unit;
                } else {
                    // A reply whose value cannot be read is no reading, whatever
                    // else it carries.
                    reading.status = Reading::Status::Unreadable;
                    reading.raw = raw;
                }
                m_silent = false;
                complete(reading);
            });
    connect(&m_link, &ScannerLink::exchangeFailed, this,
            [this](ScannerLink::Failure failure, const QByteArray &partial) {
                if (!isBusy())
                    return;
                Reading reading;
                reading.raw = partial;
                reading.status = failure == ScannerLink::Failure::LineFailed
                    ? Reading::Status::LineLost
                    : Reading::Status::NoReply;
                m_silent = failure == ScannerLink::Failure::TimedOut;
                complete(reading);
            });
}

bool ManualReading::select(int channel)
{
    m_channel = channel;
    return m_link.select(channel);
}

bool ManualReading::query(std::chrono::milliseconds timeout, Done done)
{
    if (isBusy() || !m_link.query(timeout))
        return false;
    m_awaiting = true;
    m_done = std::move(done);
    return true;
}

void ManualReading::abandon()
{
    if (!isBusy())
        return;
    m_awaiting = false;
    m_done = {};
    m_link.abandon();
}

void ManualReading::complete(Reading reading)
{
    reading.channel = m_channel;
    reading.time = QDateTime::currentDateTimeUtc();
    // Cleared before it runs, so that its receiver can start the next reading.
    m_awaiting = false;
    const Done done = std::exchange(m_done, {});
    Q_EMIT finished(reading);
    if (done)
        done(reading);
}
