#include "LiveData.h"

#include "AlarmFlags.h"
#include "ResultTable.h"

#include <QLocale>

#include <charconv>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr QRgb kUnitFlagColour = AlarmFlags::kUnitColour;
constexpr QRgb kLowFlagColour = AlarmFlags::kLowColour;
constexpr QRgb kHighFlagColour = AlarmFlags::kHighColour;

QString numberText(double value)
{
    return QLocale::c().toString(value, 'g', 10);
}

QString counted(qint64 count, const QString &one, const QString &many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many);
}

} // namespace

qsizetype TrendSeries::lowerBound(double key) const
{
    return qsizetype(std::lower_bound(x.begin(), x.end(), key) - x.begin());
}

void TrendSeries::append(double key, float value)
{
    x.push_back(key);
    y.push_back(value);
}

void TrendSeries::clear()
{
    x = {};
    y = {};
}

LiveData::LiveData(QObject *parent) : QObject(parent) { }

void LiveData::clearAll(int firstChannel, int lastChannel, Axis axis)
{
    m_first = firstChannel;
    m_last = std::max(lastChannel, firstChannel - 1);
    m_channels = std::vector<Channel>(std::size_t(m_last - m_first + 1));
    m_axis = axis;
    m_scanUnit.clear();
    m_failing = 0;
    m_unitChanges = 0;
    m_alarms = 0;
    m_readings = 0;
    m_summaryCounts = { -1, -1, -1 };
    if (!hasChannel(m_current))
        m_current = -1;
    if (m_table)
        m_table->clearFlags();
}

void LiveData::reset(int firstChannel, int lastChannel)
{
    clearAll(firstChannel, lastChannel, Axis::Time);
    updateSummary();
    Q_EMIT rangeReset();
}

void LiveData::addReading(const Reading &reading)
{
    if (reading.pass <= 0 || !hasChannel(reading.channel))
        return;
    Channel &channel = m_channels[index(reading.channel)];
    ChannelHealth &health = channel.health;
    channel.latest = reading;
    ++m_readings;
    if (reading.taken()) {
        ++health.taken;
        setFailing(health, false);
        const double x = reading.time.isValid() ? double(reading.time.toMSecsSinceEpoch()) / 1000.0
                                                : std::numeric_limits<double>::quiet_NaN();
        takeValue(channel, reading.channel, reading.pass, x, reading.value, reading.unit);
    } else {
        ++health.failed;
        if (reading.givenUp)
            ++health.givenUp;
        health.lastFailure = failureText(reading);
        health.lastFailureTime = reading.time;
        setFailing(health, true);
    }
    updateSummary();
    Q_EMIT readingAdded(reading.channel);
}

void LiveData::takeValue(Channel &channel, int channelNumber, int row, double x,
                         const QString &text, const QString &unit)
{
    channel.health.lastText = unit.isEmpty() ? text : text + u' ' + unit;
    bool ok = false;
    const double value = text.toDouble(&ok);
    takeValue(channel, channelNumber, row, x, ok ? value : qQNaN(), text, unit);
}

void LiveData::takeValue(Channel &channel, int channelNumber, int row, double x, double value,
                         QAnyStringView text, const QString &unit)
{
    ChannelHealth &health = channel.health;
    if (m_scanUnit.isEmpty())
        m_scanUnit = unit;
    const int column = channelNumber - m_first + 1;
    health.otherUnit = unit != m_scanUnit;
    if (health.otherUnit) {
        ++health.unitChanges;
        ++m_unitChanges;
        health.outOfBand = false;
        if (m_table)
            m_table->flagCell(row, column, kUnitFlagColour,
                              tr("unit ") + unit + tr(", scan started in ") + m_scanUnit);
        return;
    }
    if (!std::isfinite(value)) {
        health.outOfBand = false;
        return;
    }
    health.last = value;
    if (health.values == 0) {
        health.min = health.max = health.mean = value;
        health.m2 = 0;
    } else {
        health.min = std::min(health.min, value);
        health.max = std::max(health.max, value);
    }
    ++health.values;
    if (health.values > 1) {
        const double delta = value - health.mean;
        health.mean += delta / double(health.values);
        health.m2 += delta * (value - health.mean);
    }
    if (std::isfinite(x))
        channel.trend.append(x, float(value));

    const AlarmLimits::Check check = m_limits.check(channelNumber, value);
    health.outOfBand = check != AlarmLimits::Check::Inside;
    if (!health.outOfBand)
        return;
    ++m_alarms;
    const AlarmLimits::Band band = m_limits.band(channelNumber);
    if (check == AlarmLimits::Check::Below)
        ++health.alarmsLow;
    else
        ++health.alarmsHigh;
    if (m_table) {
        const bool low = check == AlarmLimits::Check::Below;
        m_table->flagCell(row, column, low ? kLowFlagColour : kHighFlagColour,
                          text.toString()
                              + (low ? tr(" below the low limit ") + numberText(*band.low)
                                     : tr(" above the high limit ") + numberText(*band.high)));
    }
}

void LiveData::loadFromTable(const ResultTable &table)
{
    // Channel columns lie between ID and Unit and are labelled "Ch NN".
    QList<int> channels;
    for (int column = 1; column + 1 < table.cols(); ++column) {
        const QString label = table.text(0, column);
        bool ok = false;
        const int channel = QStringView(label).mid(3).toInt(&ok);
        channels << (ok && label.startsWith(u"Ch "_s) ? channel : -1);
    }
    const int first = channels.isEmpty() ? 0 : channels.first();
    clearAll(first, channels.isEmpty() ? -1 : first + int(channels.size()) - 1, Axis::Pass);
    const int unitColumn = table.cols() - 1;
    const CellStore &cells = table.dataCells();
    char packed[CellStore::kMaxPackedLength];
    QString unit;
    for (qsizetype dataRow = 0; dataRow < cells.rowCount(); ++dataRow) {
        const int row = int(dataRow + 1);
        bool ok = false;
        int pass = cells.text(dataRow, 0).toInt(&ok);
        if (!ok)
            pass = row;
        // Most rows repeat the unit: keep the shared text rather than a copy per row.
        const QString rowUnit = cells.text(dataRow, unitColumn);
        if (rowUnit != unit)
            unit = rowUnit;
        for (qsizetype i = 0; i < channels.size(); ++i) {
            // A column whose label is not the next channel is left out.
            const int column = int(i) + 1;
            if (channels.at(i) != first + int(i) || cells.isEmpty(dataRow, column))
                continue;
            // Numbers read from a file are packed ASCII: parse them without a QString.
            double value = qQNaN();
            QString text;
            const int length = cells.packedText(dataRow, column, packed);
            if (length >= 0) {
                const auto [end, error] = std::from_chars(packed, packed + length, value);
                if (error != std::errc() || end != packed + length)
                    value = qQNaN();
            } else {
                text = cells.text(dataRow, column);
                bool number = false;
                value = text.toDouble(&number);
                if (!number)
                    value = qQNaN();
            }
            Channel &channel = m_channels[std::size_t(i)];
            ++channel.health.taken;
            ++m_readings;
            channel.latest.pass = pass;
            channel.latestRow = row;
            // Texts only for what needs them: a flag's tip, the last reading.
            takeValue(channel, first + int(i), row, double(pass), value,
                      length >= 0 ? QAnyStringView(QLatin1StringView(packed, length))
                                  : QAnyStringView(text),
                      unit);
        }
    }
    // The last reading of each channel as text, once.
    for (qsizetype i = 0; i < channels.size(); ++i) {
        Channel &channel = m_channels[std::size_t(i)];
        if (channel.latestRow <= 0)
            continue;
        channel.latest.channel = first + int(i);
        channel.latest.value = table.text(channel.latestRow, int(i) + 1);
        channel.latest.unit = table.text(channel.latestRow, unitColumn);
        channel.health.lastText = channel.latest.unit.isEmpty()
            ? channel.latest.value
            : channel.latest.value + u' ' + channel.latest.unit;
    }
    updateSummary();
    Q_EMIT rangeReset();
}

void LiveData::setCurrentChannel(int channel)
{
    if (channel == m_current)
        return;
    m_current = channel;
    Q_EMIT currentChannelChanged(channel);
}

void LiveData::setAlarmLimits(const AlarmLimits &limits)
{
    if (limits == m_limits)
        return;
    m_limits = limits;
    Q_EMIT alarmLimitsChanged();
}

void LiveData::setFailing(ChannelHealth &health, bool failing)
{
    if (health.failing == failing)
        return;
    health.failing = failing;
    m_failing += failing ? 1 : -1;
}

std::size_t LiveData::trendBytes() const
{
    std::size_t bytes = 0;
    for (const Channel &channel : m_channels)
        bytes += channel.trend.x.capacity() * sizeof(double)
            + channel.trend.y.capacity() * sizeof(float);
    return bytes;
}

QString LiveData::failureText(const Reading &reading)
{
    QString text;
    switch (reading.status) {
    case Reading::Status::Taken:
        return {};
    case Reading::Status::NoReply:
        text = tr("no reply");
        break;
    case Reading::Status::Unreadable:
        text = tr("unreadable reply");
        break;
    case Reading::Status::LineLost:
        text = tr("line to the scanner lost");
        break;
    }
    if (!reading.raw.isEmpty())
        text += u": "_s + QString::fromLatin1(reading.raw.toPercentEncoding(" ,./-+"));
    if (reading.givenUp)
        text += tr(" (given up)");
    return text;
}

void LiveData::updateSummary()
{
    // Rebuilt only when a count changed: this runs at every reading.
    const std::array<qint64, 3> counts { m_failing, m_unitChanges, m_alarms };
    if (counts == m_summaryCounts)
        return;
    m_summaryCounts = counts;
    QStringList parts;
    if (m_failing > 0)
        parts << counted(m_failing, tr("channel failing"), tr("channels failing"));
    if (m_unitChanges > 0)
        parts << counted(m_unitChanges, tr("reading in another unit"),
                         tr("readings in another unit"));
    if (m_alarms > 0)
        parts << counted(m_alarms, tr("reading outside its alarm limits"),
                         tr("readings outside their alarm limits"));
    QString summary = parts.isEmpty() ? QString() : parts.join(u", "_s) + tr("; see Live View");
    if (summary == m_summary)
        return;
    m_summary = std::move(summary);
    Q_EMIT statusSummaryChanged(m_summary);
}
