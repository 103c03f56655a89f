#pragma once

#include "AlarmLimits.h"
#include "Reading.h"

#include <QAnyStringView>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

class ResultTable;

// One channel's trend: x is UTC seconds since the epoch for a running scan or the
// pass number for a table, y the value. Kept as two arrays, 12 bytes a point.
struct TrendSeries
{
    std::vector<double> x;
    std::vector<float> y;

    qsizetype size() const { return qsizetype(x.size()); }
    // The first point whose x is not below key.
    qsizetype lowerBound(double key) const;
    void append(double key, float value);
    void clear();
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
    QString lastFailure;
    QDateTime lastFailureTime;

    // The latest reading failed, or left the band, or came in another unit.
    bool failing = false;
    bool outOfBand = false;
    bool otherUnit = false;

    // The sample standard deviation; NaN below two values.
    double stdDev() const { return values > 1 ? std::sqrt(m2 / double(values - 1)) : kNone; }
    qint64 alarms() const { return alarmsLow + alarmsHigh; }
};

// The readings of the channel range as the live view shows them: per channel the
// latest reading, the trend and the health figures. Fed reading by reading from a
// scan, or at once from a result table. Readings whose unit differs from the
// scan's first are counted and flagged but kept out of the figures and the trend,
// so that two units never share an axis.
class LiveData : public QObject
{
    Q_OBJECT
public:
    enum class Axis { Time, Pass };

    explicit LiveData(QObject *parent = nullptr);

    // Clears everything for a scan of first to last; the trend's axis is time.
    void reset(int firstChannel, int lastChannel);
    // Readings outside the range and manual readings (pass 0) are ignored.
    void addReading(const Reading &reading);
    // Takes the range from the table's column labels and every cell as a reading;
    // the trend's axis is the pass number, as a file holds no times.
    void loadFromTable(const ResultTable &table);

    // The table whose cells get the unit-change and alarm flags (row = pass);
    // nullptr for none. Not owned; must outlive this object or be detached.
    void attachTable(ResultTable *table) { m_table = table; }

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
    const TrendSeries &trend(int channel) const { return m_channels[index(channel)].trend; }
    // The latest reading; pass 0 before the first.
    const Reading &latest(int channel) const { return m_channels[index(channel)].latest; }

    int failingChannels() const { return m_failing; }
    qint64 unitChanges() const { return m_unitChanges; }
    qint64 alarms() const { return m_alarms; }
    qint64 readings() const { return m_readings; }
    // "2 channels failing, 1 unit change; see Live View"; empty when all is well.
    QString statusSummary() const { return m_summary; }
    // Bytes held by the trends, for the memory check.
    std::size_t trendBytes() const;

    static QString failureText(const Reading &reading);

Q_SIGNALS:
    // The range, the axis or all the data changed: views rebuild.
    void rangeReset();
    void readingAdded(int channel);
    void currentChannelChanged(int channel);
    void alarmLimitsChanged();
    void statusSummaryChanged(const QString &summary);

private:
    struct Channel
    {
        TrendSeries trend;
        ChannelHealth health;
        Reading latest;
        int latestRow = 0; // the table row of the latest value, for a table load
    };

    qsizetype index(int channel) const { return qsizetype(channel - m_first); }
    void clearAll(int firstChannel, int lastChannel, Axis axis);
    void takeValue(Channel &channel, int channelNumber, int row, double x, const QString &text,
                   const QString &unit);
    // value is NaN when the text is no number; text is only read for a flag's tip.
    void takeValue(Channel &channel, int channelNumber, int row, double x, double value,
                   QAnyStringView text, const QString &unit);
    void setFailing(ChannelHealth &health, bool failing);
    void updateSummary();

    std::vector<Channel> m_channels;
    int m_first = 0;
    int m_last = -1;
    int m_current = -1;
    Axis m_axis = Axis::Time;
    QString m_scanUnit;
    AlarmLimits m_limits;
    ResultTable *m_table = nullptr;
    int m_failing = 0;
    qint64 m_unitChanges = 0;
    qint64 m_alarms = 0;
    qint64 m_readings = 0;
    QString m_summary;
    std::array<qint64, 3> m_summaryCounts { -1, -1, -1 };
};
