#pragma once

#include "AlarmLimits.h"
#include "ChannelNames.h"
#include "Reading.h"
#include "TrendSummary.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <QHash>
#include <QSet>

#include <array>
#include <chrono>
#include <cmath>
#include <deque>
#include <limits>
#include <vector>

class ResultTable;
class ZeroHistory;

// One point of a trend as the plot draws it: x is UTC seconds since the epoch
// for a running scan or the pass number for a table, y the value.
struct TrendPoint
{
    double key;
    double value;
};

// What the live view says about one channel since the scan began.
struct ChannelHealth
{
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    // The last reading as stored (value and unit), "" before the first.
    QString lastText;
    // Figures over the values read in the scan's unit.
    double last = kNone;
    double min = kNone;
    double max = kNone;
    double mean = kNone;
    double m2 = 0; // Welford's sum of squared deviations
    qint64 values = 0;

    qint64 taken = 0;
    qint64 failed = 0;
    qint64 givenUp = 0;
    qint64 unitChanges = 0;
    qint64 alarmsLow = 0;
    qint64 alarmsHigh = 0;
    // Readings of the settle check that did not settle within the tick.
    qint64 notSettled = 0;
    // Time from the select to the settled reply of the latest checked
    // readings, oldest first.
    static constexpr qsizetype kSettleTimes = 31;
    QList<qint64> settleTimes;
    QString lastFailure;
    QDateTime lastFailureTime;

    // The latest reading failed, or left the band, or came in another unit.
    bool failing = false;
    bool outOfBand = false;
    bool otherUnit = false;

    // The sample standard deviation; NaN below two values.
    double stdDev() const { return values > 1 ? std::sqrt(m2 / double(values - 1)) : kNone; }
    qint64 alarms() const { return alarmsLow + alarmsHigh; }
    // The median of settleTimes; negative without any.
    qint64 typicalSettleMs() const;
};

// The readings of the channel range as the live view shows them: per channel the
// latest reading, the health figures and a summary of the trend. The values
// themselves stay in the result table, the one store of every reading: the
// trend reads them from there. Fed reading by reading from a scan, or from a
// result table at once, when the live view first needs it. Readings whose unit
// differs from the scan's first are counted and flagged but kept out of the
// figures and the trend, so that two units never share an axis.
class LiveData : public QObject
{
    Q_OBJECT
public:
    enum class Axis { Time, Pass };

    explicit LiveData(QObject *parent = nullptr);

    // Clears everything for a scan of first to last; the trend's axis is time.
    // The period between readings sizes the store of their times.
    void reset(int firstChannel, int lastChannel,
               std::chrono::milliseconds period = std::chrono::milliseconds(0));
    // Readings outside the range and manual readings (pass 0) are ignored. The
    // trend shows a reading that is in the attached table (row = pass).
    void addReading(const Reading &reading);
    // Takes the range from the table's column labels; every cell counts as a
    // reading once loadPending() has run. The trend's axis is the pass number,
    // as a file holds no times. The table must outlive the load or be replaced.
    void loadFromTable(const ResultTable &table);
    // A table load whose cells have not been read yet: the live view reads
    // them when it is first shown, so that Open does not wait for it.
    bool isPending() const { return m_pending != nullptr; }
    // The live data has read the table it flags, and recheckLimits() flags
    // all of it again.
    bool flagsWholeTable() const { return !m_pending && m_source && m_source == m_table; }
    void loadPending();
    // Checks every value in the table against the limits again: the alarm
    // counts and flags follow, the rest of the figures and the trend stay.
    void recheckLimits();

    // The table the readings are in, whose cells get the unit-change and alarm
    // flags (row = pass); nullptr for none. Not owned; must outlive this object
    // or be detached.
    void attachTable(ResultTable *table);
    // What the channels measure, as the attached table's scan named them.
    const ChannelNames &channelNames() const;

    // The scan's zeros: a reading of a pass a zero applies to counts zeroed
    // in the figures, the bars, the trend and the alarm checks, and the
    // summary says since when. Each call (a zero taken or cleared) starts
    // the figures afresh, so that none mixes zeroed and raw values. nullptr
    // for none; not owned, must outlive this object or be detached.
    void setZero(const ZeroHistory *zero);

    void setCurrentChannel(int channel);
    int currentChannel() const { return m_current; }

    // Applies to readings from now on; the overview redraws its bands.
    void setAlarmLimits(const AlarmLimits &limits);
    const AlarmLimits &alarmLimits() const { return m_limits; }

    int firstChannel() const { return m_first; }
    int lastChannel() const { return m_last; }
    int channelCount() const { return int(m_channels.size()); }
    bool hasChannel(int channel) const { return channel >= m_first && channel <= m_last; }
    Axis axis() const { return m_axis; }
    // The unit of the scan's first reading; empty before it.
    QString scanUnit() const { return m_scanUnit; }

    // Channel numbers between firstChannel() and lastChannel().
    const ChannelHealth &health(int channel) const { return m_channels[index(channel)].health; }
    // The latest reading; pass 0 before the first.
    const Reading &latest(int channel) const { return m_channels[index(channel)].latest; }

    int failingChannels() const { return m_failing; }
    qint64 unitChanges() const { return m_unitChanges; }
    qint64 alarms() const { return m_alarms; }
    qint64 readings() const { return m_readings; }
    // "2 channels failing, 1 unit change; see Live View"; empty when all is well.
    QString statusSummary() const { return m_summary; }
    // The trend, read from the table. The first and last key of the channel's
    // trend; false when it has no point.
    bool trendKeys(int channel, double *first, double *last) const;
    // The channel's points from..to (and one either side) for a plot of about
    // buckets pixels: every point where they are few, else per bucket its
    // lowest and highest value.
    void trendPoints(int channel, double from, double to, int buckets,
                     std::vector<TrendPoint> *points) const;
    // The point nearest key; false when there is none near.
    bool nearestPoint(int channel, double key, TrendPoint *point) const;
    // The channel's newest point; false before the first.
    bool latestPoint(int channel, TrendPoint *point) const;
    // Points in the channel's trend.
    qsizetype trendSize(int channel) const { return m_channels[index(channel)].health.values; }
    // Bytes held for the trends beside the table, for the memory check.
    std::size_t trendBytes() const;

    static QString failureText(const Reading &reading);

Q_SIGNALS:
    // The range, the axis or all the data changed: views rebuild.
    void rangeReset();
    void readingAdded(int channel);
    void currentChannelChanged(int channel);
    void alarmLimitsChanged();
    // The health figures of every channel changed (limits checked again).
    void figuresChanged();
    void statusSummaryChanged(const QString &summary);

private:
    struct Channel
    {
        ChannelHealth health;
        Reading latest;
        TrendSummary summary;
        // Data rows of the first and last value in the trend; -1 before it.
        qsizetype firstRow = -1;
        qsizetype lastRow = -1;
        // Per data row from firstRow on, when the reading came after its pass
        // began, in units of m_timeUnitMs (kNoTime, kFarTime); a running scan only.
        std::deque<quint16> times;
    };
    static constexpr quint16 kNoTime = 0xFFFF;
    static constexpr quint16 kFarTime = 0xFFFE;

    qsizetype index(int channel) const { return qsizetype(channel - m_first); }
    static quint64 cellKey(qsizetype row, int column)
    {
        return (quint64(row) << 32) | quint32(column);
    }
    void clearAll(int firstChannel, int lastChannel, Axis axis);
    // value is NaN when the text is no number; text is only read for a flag's tip.
    void takeValue(Channel &channel, int channelNumber, qsizetype row, double value,
                   const QString &text, const QString &unit);
    // text is the value as read; the table's cell where it is null.
    void countAlarm(Channel &channel, int channelNumber, qsizetype row, AlarmLimits::Check check,
                    const QString &text = {});
    void flagOtherUnit(qsizetype row, int column, const QString &unit);
    void keepTime(Channel &channel, int column, qsizetype row, const QDateTime &time);
    void setFailing(ChannelHealth &health, bool failing);
    void updateSummary();
    // The trend's value and key at a data row; NaN where there is none.
    double valueAt(int column, qsizetype row) const;
    double keyAt(const Channel &channel, int column, qsizetype row) const;
    // The key of a data row as a whole (its pass's time or number).
    double rowKey(qsizetype row) const;
    // The first data row whose key is not below key.
    qsizetype rowAtKey(double key) const;

    std::vector<Channel> m_channels;
    int m_first = 0;
    int m_last = -1;
    int m_current = -1;
    Axis m_axis = Axis::Time;
    QString m_scanUnit;
    AlarmLimits m_limits;
    ResultTable *m_table = nullptr;
    const ZeroHistory *m_zero = nullptr;
    QString m_zeroMark;
    // The table the trend reads: the attached one, or the one loaded.
    const ResultTable *m_source = nullptr;
    const ResultTable *m_pending = nullptr;
    // Readings in another unit than the scan's: cells of a scan, rows of a table.
    QSet<quint64> m_otherUnitCells;
    QSet<qsizetype> m_otherUnitRows;
    // A table's pass numbers per data row, where they ascend; else empty and
    // the row number stands for the pass.
    std::vector<int> m_passes;
    // Times too far from their pass's start for the compact form, in ms.
    QHash<quint64, qint64> m_farTimes;
    qint64 m_timeUnitMs = 1;
    int m_failing = 0;
    qint64 m_unitChanges = 0;
    qint64 m_alarms = 0;
    qint64 m_readings = 0;
    QString m_summary;
    std::array<qint64, 3> m_summaryCounts { -1, -1, -1 };
    QString m_summaryZeroMark;
};
