#include "LiveData.h"

#include "AlarmFlags.h"
#include "ResultTable.h"
#include "ZeroHistory.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>

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

LiveData::LiveData(QObject *parent) : QObject(parent) { }

const ChannelNames &LiveData::channelNames() const
{
    static const ChannelNames none;
    return m_table ? m_table->channelNames() : none;
}

void LiveData::attachTable(ResultTable *table)
{
    if (m_table)
        disconnect(m_table, &ResultTable::channelNamesChanged, this, nullptr);
    m_table = table;
    // Names edited between scans show at once: the views rebuild their
    // labels, legends and lists.
    if (table)
        connect(table, &ResultTable::channelNamesChanged, this, &LiveData::rangeReset);
    if (m_axis == Axis::Time)
        m_source = table;
}

void LiveData::clearAll(int firstChannel, int lastChannel, Axis axis)
{
    m_first = firstChannel;
    m_last = std::max(lastChannel, firstChannel - 1);
    m_channels = std::vector<Channel>(std::size_t(m_last - m_first + 1));
    m_axis = axis;
    m_source = axis == Axis::Time ? m_table : nullptr;
    m_pending = nullptr;
    m_otherUnitCells.clear();
    m_otherUnitRows.clear();
    m_farTimes.clear();
    m_passes = {};
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

void LiveData::reset(int firstChannel, int lastChannel, std::chrono::milliseconds period)
{
    clearAll(firstChannel, lastChannel, Axis::Time);
    // A reading's time is kept as its distance from its pass's start in two
    // bytes: the unit is chosen so that a pass twice as long as planned fits,
    // and a time that does not fit is kept whole on the side.
    const qint64 passMs = qint64(channelCount()) * period.count();
    m_timeUnitMs = passMs > 0 ? std::max<qint64>(1, (2 * passMs + kFarTime - 1) / kFarTime) : 10;
    updateSummary();
    Q_EMIT rangeReset();
}

qint64 ChannelHealth::typicalSettleMs() const
{
    if (settleTimes.isEmpty())
        return -1;
    QList<qint64> sorted = settleTimes;
    const auto middle = sorted.begin() + sorted.size() / 2;
    std::nth_element(sorted.begin(), middle, sorted.end());
    return *middle;
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
        if (reading.settleQueries > 0 && !reading.settled) {
            ++health.notSettled;
        } else if (reading.settleQueries > 0) {
            if (health.settleTimes.size() == ChannelHealth::kSettleTimes)
                health.settleTimes.removeFirst();
            health.settleTimes.append(reading.settleMs);
        }
        setFailing(health, false);
        const qsizetype row = reading.pass - 1;
        const qsizetype before = health.values;
        bool ok = false;
        const QString text = m_zero
            ? m_zero->zeroed(reading.pass, reading.channel, reading.value, reading.unit)
            : reading.value;
        const double value = text.toDouble(&ok);
        takeValue(channel, reading.channel, row, ok ? value : qQNaN(), text, reading.unit);
        if (health.values > before)
            keepTime(channel, int(index(reading.channel)) + 1, row, reading.time);
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

void LiveData::keepTime(Channel &channel, int column, qsizetype row, const QDateTime &time)
{
    // Kept from the channel's first value on: a channel that starts late costs nothing before.
    std::deque<quint16> &times = channel.times;
    const qsizetype slot = row - channel.firstRow;
    while (qsizetype(times.size()) <= slot)
        times.push_back(kNoTime);
    if (!time.isValid())
        return;
    const qint64 msecs = time.toMSecsSinceEpoch();
    qint64 passStart = 0;
    if (m_source && m_source->rowTimeMsecs(int(row + 1), &passStart)) {
        const qint64 units = (msecs - passStart + m_timeUnitMs / 2) / m_timeUnitMs;
        if (msecs >= passStart && units < kFarTime) {
            times[std::size_t(slot)] = quint16(units);
            return;
        }
    }
    m_farTimes.insert(cellKey(row, column), msecs);
    times[std::size_t(slot)] = kFarTime;
}

void LiveData::flagOtherUnit(qsizetype row, int column, const QString &unit)
{
    if (m_table && m_table == m_source)
        m_table->flagCell(int(row + 1), column, kUnitFlagColour,
                          tr("unit ") + unit + tr(", scan started in ") + m_scanUnit);
}

void LiveData::takeValue(Channel &channel, int channelNumber, qsizetype row, double value,
                         const QString &text, const QString &unit)
{
    ChannelHealth &health = channel.health;
    health.lastText = unit.isEmpty() ? text : text + u' ' + unit;
    if (m_scanUnit.isEmpty())
        m_scanUnit = unit;
    const int column = channelNumber - m_first + 1;
    health.otherUnit = unit != m_scanUnit;
    if (health.otherUnit) {
        ++health.unitChanges;
        ++m_unitChanges;
        health.outOfBand = false;
        m_otherUnitCells.insert(cellKey(row, column));
        flagOtherUnit(row, column, unit);
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
    channel.summary.add(row, float(value));
    if (channel.firstRow < 0)
        channel.firstRow = row;
    channel.lastRow = std::max(channel.lastRow, row);

    const AlarmLimits::Check check = m_limits.check(channelNumber, value);
    health.outOfBand = check != AlarmLimits::Check::Inside;
    if (health.outOfBand)
        countAlarm(channel, channelNumber, row, check, text);
}

void LiveData::countAlarm(Channel &channel, int channelNumber, qsizetype row,
                          AlarmLimits::Check check, const QString &text)
{
    ++m_alarms;
    const bool low = check == AlarmLimits::Check::Below;
    if (low)
        ++channel.health.alarmsLow;
    else
        ++channel.health.alarmsHigh;
    if (!m_table || m_table != m_source)
        return;
    const int column = channelNumber - m_first + 1;
    const AlarmLimits::Band band = m_limits.band(channelNumber);
    m_table->flagCell(int(row + 1), column, low ? kLowFlagColour : kHighFlagColour,
                      (text.isNull() ? m_table->text(int(row + 1), column) : text)
                          + (low ? tr(" below the low limit ") + numberText(*band.low)
                                 : tr(" above the high limit ") + numberText(*band.high)));
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
    m_source = &table;
    if (table.rowCount() > 0)
        m_pending = &table;
    updateSummary();
    Q_EMIT rangeReset();
}

void LiveData::loadPending()
{
    if (!m_pending)
        return;
    const ResultTable &table = *m_pending;
    m_pending = nullptr;
    const CellStore &cells = table.dataCells();
    const int unitColumn = table.cols() - 1;
    // Only columns labelled as the next channel of the range take part.
    std::vector<int> columns;
    std::vector<double> lows;
    std::vector<double> highs;
    for (int i = 0; i < channelCount(); ++i) {
        const int column = i + 1;
        const QString label = table.text(0, column);
        bool ok = false;
        if (column >= unitColumn || !label.startsWith(u"Ch "_s)
            || QStringView(label).mid(3).toInt(&ok) != m_first + i || !ok)
            continue;
        const AlarmLimits::Band band = m_limits.band(m_first + i);
        columns.push_back(column);
        lows.push_back(band.low.value_or(-std::numeric_limits<double>::infinity()));
        highs.push_back(band.high.value_or(std::numeric_limits<double>::infinity()));
    }
    std::vector<qsizetype> latestRows(std::size_t(channelCount()), -1);
    const qsizetype rows = cells.rowCount();
    // Each row's channel cells read at once: the columns lie side by side.
    const int readColumns = columns.empty() ? 0 : columns.back();
    std::vector<double> numbers(std::size_t(readColumns) + 1);
    std::unique_ptr<bool[]> filled(new bool[std::size_t(readColumns) + 1]);
    m_scanUnit = rows > 0 ? cells.text(0, unitColumn) : QString();
    QString unit = m_scanUnit;
    bool otherUnit = false;
    // The trend's axis is the rows' pass numbers where they ascend, else the row numbers.
    std::vector<int> passes;
    passes.reserve(std::size_t(rows));
    for (qsizetype row = 0; row < rows; ++row) {
        const double pass = cells.number(row, 0);
        if (!(pass >= 0 && pass <= INT_MAX && pass == std::floor(pass))
            || (!passes.empty() && int(pass) <= passes.back())) {
            passes = {};
            break;
        }
        passes.push_back(int(pass));
    }
    for (qsizetype row = 0; row < rows; ++row) {
        // Most rows repeat the unit: compared as the shared text, not per cell.
        const QString rowUnit = cells.text(row, unitColumn);
        if (rowUnit != unit) {
            unit = rowUnit;
            otherUnit = unit != m_scanUnit;
        }
        if (otherUnit)
            m_otherUnitRows.insert(row);
        if (readColumns > 0)
            cells.rowNumbers(row, 1, readColumns, numbers.data() + 1, filled.get() + 1);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const int column = columns[i];
            if (!filled[std::size_t(column)])
                continue;
            Channel &channel = m_channels[std::size_t(column - 1)];
            ChannelHealth &health = channel.health;
            ++health.taken;
            latestRows[std::size_t(column - 1)] = row;
            health.otherUnit = otherUnit;
            if (otherUnit) {
                ++health.unitChanges;
                health.outOfBand = false;
                flagOtherUnit(row, column, unit);
                continue;
            }
            const double value = numbers[std::size_t(column)];
            if (!std::isfinite(value)) {
                health.outOfBand = false;
                continue;
            }
            health.last = value;
            if (health.values == 0) {
                health.min = health.max = health.mean = value;
                health.m2 = 0;
                channel.firstRow = row;
            } else {
                health.min = std::min(health.min, value);
                health.max = std::max(health.max, value);
                const double delta = value - health.mean;
                health.mean += delta / double(health.values + 1);
                health.m2 += delta * (value - health.mean);
            }
            ++health.values;
            channel.lastRow = row;
            channel.summary.add(row, float(value));
            health.outOfBand = value < lows[i] || value > highs[i];
            if (health.outOfBand)
                countAlarm(channel, m_first + column - 1, row,
                           value < lows[i] ? AlarmLimits::Check::Below : AlarmLimits::Check::Above);
        }
    }
    m_passes = std::move(passes);
    // The last reading of each channel as text, once.
    for (int i = 0; i < channelCount(); ++i) {
        Channel &channel = m_channels[std::size_t(i)];
        const qsizetype row = latestRows[std::size_t(i)];
        m_readings += channel.health.taken;
        m_unitChanges += channel.health.unitChanges;
        if (row < 0)
            continue;
        bool ok = false;
        const int pass = cells.text(row, 0).toInt(&ok);
        channel.latest.pass = ok ? pass : int(row + 1);
        channel.latest.channel = m_first + i;
        channel.latest.value = cells.text(row, i + 1);
        channel.latest.unit = cells.text(row, unitColumn);
        channel.health.lastText = channel.latest.unit.isEmpty()
            ? channel.latest.value
            : channel.latest.value + u' ' + channel.latest.unit;
    }
    updateSummary();
    Q_EMIT rangeReset();
}

void LiveData::recheckLimits()
{
    if (m_pending || !m_source)
        return;
    if (m_table && m_table == m_source) {
        // The unit flags come back with the alarm flags gone.
        m_table->clearFlags();
        const int unitColumn = m_table->cols() - 1;
        for (const quint64 key : std::as_const(m_otherUnitCells))
            flagOtherUnit(qsizetype(key >> 32), int(key & 0xFFFFFFFF),
                          m_table->text(int(key >> 32) + 1, unitColumn));
        for (const qsizetype row : std::as_const(m_otherUnitRows)) {
            for (int column = 1; column <= channelCount() && column < unitColumn; ++column) {
                if (!m_table->dataCells().isEmpty(row, column))
                    flagOtherUnit(row, column, m_table->text(int(row + 1), unitColumn));
            }
        }
    }
    m_alarms = 0;
    for (int i = 0; i < channelCount(); ++i) {
        Channel &channel = m_channels[std::size_t(i)];
        ChannelHealth &health = channel.health;
        health.alarmsLow = health.alarmsHigh = 0;
        const int channelNumber = m_first + i;
        if (channel.firstRow >= 0 && m_limits.band(channelNumber).isSet()) {
            for (qsizetype row = channel.firstRow; row <= channel.lastRow; ++row) {
                const double value = valueAt(i + 1, row);
                if (!std::isfinite(value))
                    continue;
                const AlarmLimits::Check check = m_limits.check(channelNumber, value);
                if (check != AlarmLimits::Check::Inside)
                    countAlarm(channel, channelNumber, row, check);
            }
        }
        health.outOfBand = !health.otherUnit && std::isfinite(health.last)
            && m_limits.check(channelNumber, health.last) != AlarmLimits::Check::Inside;
    }
    updateSummary();
    Q_EMIT figuresChanged();
}

double LiveData::valueAt(int column, qsizetype row) const
{
    if (!m_source || row < 0 || row >= m_source->rowCount() || column >= m_source->cols())
        return qQNaN();
    if (m_axis == Axis::Pass
            ? !m_otherUnitRows.isEmpty() && m_otherUnitRows.contains(row)
            : !m_otherUnitCells.isEmpty() && m_otherUnitCells.contains(cellKey(row, column)))
        return qQNaN();
    const double value = m_source->dataCells().number(row, column);
    if (!m_zero || m_zero->isEmpty())
        return value;
    const int pass = m_axis == Axis::Pass && row < qsizetype(m_passes.size())
        ? m_passes[std::size_t(row)]
        : int(row + 1);
    return value - m_zero->offsetValue(pass, m_first + column - 1);
}

double LiveData::rowKey(qsizetype row) const
{
    if (m_axis == Axis::Pass)
        return row < qsizetype(m_passes.size()) ? double(m_passes[std::size_t(row)])
                                                : double(row + 1);
    qint64 msecs = 0;
    return m_source && m_source->rowTimeMsecs(int(row + 1), &msecs) ? double(msecs) / 1000.0
                                                                    : qQNaN();
}

double LiveData::keyAt(const Channel &channel, int column, qsizetype row) const
{
    const qsizetype slot = row - channel.firstRow;
    if (m_axis == Axis::Pass || slot < 0 || slot >= qsizetype(channel.times.size()))
        return rowKey(row);
    const quint16 units = channel.times[std::size_t(slot)];
    if (units == kFarTime)
        return double(m_farTimes.value(cellKey(row, column))) / 1000.0;
    const double start = rowKey(row);
    return units == kNoTime ? start : start + double(units * m_timeUnitMs) / 1000.0;
}

qsizetype LiveData::rowAtKey(double key) const
{
    const qsizetype rows = m_source ? m_source->rowCount() : 0;
    if (m_axis == Axis::Pass && m_passes.empty())
        return std::isnan(key) ? rows
                               : qsizetype(std::clamp(std::ceil(key) - 1, 0.0, double(rows)));
    qsizetype low = 0;
    qsizetype high = rows;
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (rowKey(middle) < key)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

bool LiveData::trendKeys(int channel, double *first, double *last) const
{
    const Channel &data = m_channels[index(channel)];
    if (data.firstRow < 0 || !m_source)
        return false;
    const int column = int(index(channel)) + 1;
    *first = keyAt(data, column, data.firstRow);
    *last = keyAt(data, column, data.lastRow);
    return std::isfinite(*first) && std::isfinite(*last);
}

void LiveData::trendPoints(int channel, double from, double to, int buckets,
                           std::vector<TrendPoint> *points) const
{
    points->clear();
    const Channel &data = m_channels[index(channel)];
    if (data.firstRow < 0 || !m_source)
        return;
    const int column = int(index(channel)) + 1;
    const qsizetype begin
        = std::max(std::isfinite(from) ? rowAtKey(from) - 1 : data.firstRow, data.firstRow);
    const qsizetype end
        = std::min(std::isfinite(to) ? rowAtKey(to) + 1 : data.lastRow, data.lastRow) + 1;
    const qsizetype count = end - begin;
    if (count <= 0)
        return;
    buckets = std::max(buckets, 1);
    auto add = [&](qsizetype row, double value) {
        const double key = keyAt(data, column, row);
        if (std::isfinite(key))
            points->push_back({ key, value });
    };
    if (count <= 2 * qsizetype(buckets)) {
        points->reserve(std::size_t(count));
        for (qsizetype row = begin; row < end; ++row) {
            const double value = valueAt(column, row);
            if (std::isfinite(value))
                add(row, value);
        }
        return;
    }
    points->reserve(2 * std::size_t(buckets) + 2);
    // The coarsest level whose blocks are no wider than a bucket.
    int level = -1;
    while (level + 1 < TrendSummary::kLevels
           && TrendSummary::rowsPerBlock(level + 1) * buckets <= count)
        ++level;
    if (level < 0) {
        // Buckets of a few rows: their lowest and highest value straight from the table.
        for (qsizetype b = 0; b < buckets; ++b) {
            const qsizetype first = begin + count * b / buckets;
            const qsizetype last = begin + count * (b + 1) / buckets;
            qsizetype lowRow = -1;
            qsizetype highRow = -1;
            double low = 0;
            double high = 0;
            for (qsizetype row = first; row < last; ++row) {
                const double value = valueAt(column, row);
                if (!std::isfinite(value))
                    continue;
                if (lowRow < 0 || value < low) {
                    low = value;
                    lowRow = row;
                }
                if (highRow < 0 || value > high) {
                    high = value;
                    highRow = row;
                }
            }
            if (lowRow < 0)
                continue;
            add(std::min(lowRow, highRow), lowRow < highRow ? low : high);
            if (lowRow != highRow)
                add(std::max(lowRow, highRow), lowRow < highRow ? high : low);
        }
        return;
    }
    const qsizetype perBlock = TrendSummary::rowsPerBlock(level);
    const qsizetype lastBlock = std::min((end - 1) / perBlock, data.summary.blockCount(level) - 1);
    TrendSummary::Span span;
    qsizetype bucketStart = -1;
    qsizetype bucketEnd = -1;
    qsizetype bucket = -1;
    auto emitBucket = [&] {
        if (bucket < 0 || span.isEmpty())
            return;
        // Within a bucket a pixel wide, where the low and the high fell does not show.
        add(bucketStart, span.low);
        if (span.high != span.low)
            add(bucketStart + (bucketEnd - bucketStart) / 2, span.high);
    };
    for (qsizetype block = begin / perBlock; block <= lastBlock; ++block) {
        const qsizetype row = std::max(block * perBlock, begin);
        const qsizetype b = (row - begin) * buckets / count;
        if (b != bucket) {
            emitBucket();
            bucket = b;
            bucketStart = row;
            span = {};
        }
        bucketEnd = std::min((block + 1) * perBlock, end);
        span.take(data.summary.block(level, block));
    }
    emitBucket();
}

bool LiveData::nearestPoint(int channel, double key, TrendPoint *point) const
{
    const Channel &data = m_channels[index(channel)];
    if (data.firstRow < 0 || !m_source)
        return false;
    const int column = int(index(channel)) + 1;
    const qsizetype row = std::clamp(rowAtKey(key), data.firstRow, data.lastRow);
    // Failed readings leave gaps: look a little way either side for a value.
    constexpr qsizetype kReach = 256;
    bool found = false;
    double bestDistance = 0;
    for (int side : { -1, 1 }) {
        for (qsizetype step = side < 0 ? 1 : 0; step <= kReach; ++step) {
            const qsizetype at = row + side * step;
            if (at < data.firstRow || at > data.lastRow)
                break;
            const double value = valueAt(column, at);
            if (!std::isfinite(value))
                continue;
            const double atKey = keyAt(data, column, at);
            if (!found || std::abs(atKey - key) < bestDistance) {
                *point = { atKey, value };
                bestDistance = std::abs(atKey - key);
                found = true;
            }
            break;
        }
    }
    return found;
}

bool LiveData::latestPoint(int channel, TrendPoint *point) const
{
    const Channel &data = m_channels[index(channel)];
    if (data.lastRow < 0)
        return false;
    const int column = int(index(channel)) + 1;
    *point = { keyAt(data, column, data.lastRow), valueAt(column, data.lastRow) };
    return std::isfinite(point->key) && std::isfinite(point->value);
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
        bytes += channel.summary.memoryUsage() + channel.times.size() * sizeof(quint16);
    return bytes + std::size_t(m_farTimes.size()) * 3 * sizeof(qint64)
        + std::size_t(m_otherUnitCells.size() + m_otherUnitRows.size()) * 2 * sizeof(qint64);
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

void LiveData::setZero(const ZeroHistory *zero)
{
    m_zero = zero;
    const ZeroSet *active = zero ? zero->active() : nullptr;
    m_zeroMark = active ? tr("Values %1").arg(ZeroHistory::markText(*active)) : QString();
    for (Channel &channel : m_channels) {
        ChannelHealth &health = channel.health;
        health.values = 0;
        health.min = health.max = health.mean = ChannelHealth::kNone;
        health.m2 = 0;
        // The bars and the last values show the zero in force now, also on
        // a reading taken before it.
        const Reading &latest = channel.latest;
        if (latest.pass > 0 && latest.taken() && !health.otherUnit) {
            const QString text = active
                ? ZeroHistory::zeroedBy(*active, latest.channel, latest.value, latest.unit)
                : latest.value;
            bool ok = false;
            const double value = text.toDouble(&ok);
            health.last = ok ? value : ChannelHealth::kNone;
            health.lastText = latest.unit.isEmpty() ? text : text + u' ' + latest.unit;
        }
    }
    updateSummary();
    Q_EMIT figuresChanged();
}

void LiveData::updateSummary()
{
    // Rebuilt only when a count changed: this runs at every reading.
    const std::array<qint64, 3> counts { m_failing, m_unitChanges, m_alarms };
    if (counts == m_summaryCounts && m_zeroMark == m_summaryZeroMark)
        return;
    m_summaryCounts = counts;
    m_summaryZeroMark = m_zeroMark;
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
    if (!m_zeroMark.isEmpty())
        summary = summary.isEmpty() ? m_zeroMark : m_zeroMark + u"; "_s + summary;
    if (summary == m_summary)
        return;
    m_summary = std::move(summary);
    Q_EMIT statusSummaryChanged(m_summary);
}
