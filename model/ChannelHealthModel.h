#pragma once

#include <QAbstractTableModel>

class LiveData;

// One row per channel of the live data's range with its health figures; follows
// the data's signals, one row changed per reading.
class ChannelHealthModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Channel,
        Last,
        Minimum,
        Maximum,
        Mean,
        StdDev,
        Taken,
        Failed,
        GivenUp,
        UnitChanges,
        Alarms,
        NotSettled,
        SettleTime,
        LastFailure,
        LastFailureTime,
        ColumnCount
    };

    explicit ChannelHealthModel(const LiveData &data, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void readingAdded(int channel);

    const LiveData &m_data;
    int m_rows = 0;
};
