#include "ScanZero.h"

#include "ScanRecord.h"
#include "ScanSession.h"

ScanZero::ScanZero(QObject *parent) : QObject(parent) { }

void ScanZero::follow(ScanSession &session)
{
    m_session = &session;
    connect(&session, &ScanSession::scanStarted, this, [this](const ScanSession::Request &request) {
        // A zero asked for before the scan zeroes on its first passes.
        const bool armed = m_taking && m_afterPass == 0;
        const int passes = m_passes;
        reset(request.startCh, request.endCh);
        if (armed)
            take(passes, 0);
    });
    connect(&session, &ScanSession::readingDone, this, &ScanZero::addReading);
    connect(&session, &ScanSession::stateChanged, this, [this](ScanSession::State state) {
        if (state != ScanSession::State::Scanning)
            abandon();
    });
}

void ScanZero::take(int passes, int afterPass)
{
    m_taking = true;
    m_passes = std::clamp(passes, 1, kMaxPasses);
    m_afterPass = afterPass;
    m_channels.clear();
}

void ScanZero::clear(int pass)
{
    abandon();
    if (!m_history.active())
        return;
    ZeroSet set;
    set.takenAt = QDateTime::currentDateTimeUtc();
    set.firstPass = std::max(pass, 1);
    m_history.add(set);
    keepInRecord(set);
    Q_EMIT cleared();
    Q_EMIT changed();
}

void ScanZero::reset(int firstChannel, int lastChannel)
{
    m_first = firstChannel;
    m_last = lastChannel;
    m_taking = false;
    m_channels.clear();
    m_history.clear();
    Q_EMIT changed();
}

void ScanZero::abandon()
{
    if (!m_taking)
        return;
    m_taking = false;
    m_channels.clear();
    Q_EMIT abandoned();
}

void ScanZero::addReading(const Reading &reading)
{
    if (!m_taking || reading.pass <= m_afterPass || reading.channel < m_first
        || reading.channel > m_last)
        return;
    const int lastPass = m_afterPass + m_passes;
    if (reading.pass > lastPass) {
        // The last pass ended without its last channel (a range changed under way).
        finish(reading.time);
        return;
    }
    Channel &channel = m_channels[reading.channel];
    if (!reading.taken()) {
        channel.failed = true;
    } else {
        const auto value = DecimalValue::fromText(reading.value);
        if (!value || (!channel.values.isEmpty() && reading.unit != channel.unit))
            channel.failed = true;
        else
            channel.values += *value;
        channel.unit = reading.unit;
    }
    if (reading.pass == lastPass && reading.channel == m_last
        && (reading.taken() || reading.givenUp))
        finish(reading.time);
}

void ScanZero::finish(const QDateTime &time)
{
    ZeroSet set;
    set.takenAt = time.isValid() ? time : QDateTime::currentDateTimeUtc();
    set.passes = m_passes;
    set.firstPass = m_afterPass + m_passes + 1;
    QList<int> noOffset;
    for (int number = m_first; number <= m_last; ++number) {
        const Channel channel = m_channels.value(number);
        const auto mean = channel.failed || channel.values.size() != m_passes
            ? std::nullopt
            : DecimalValue::mean(channel.values);
        if (mean) {
            set.offsets.insert(number, *mean);
            set.unit = channel.unit;
        } else {
            noOffset += number;
        }
    }
    m_taking = false;
    m_channels.clear();
    m_history.add(set);
    keepInRecord(set);
    Q_EMIT taken(set, noOffset);
    Q_EMIT changed();
}

void ScanZero::keepInRecord(const ZeroSet &set)
{
    if (m_session && m_session->record())
        m_session->record()->addZeroSet(set);
}
