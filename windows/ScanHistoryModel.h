#pragma once

#include "ScanRecord.h"

#include <QAbstractTableModel>
#include <QList>

// The stored scans as a table, newest first, one row per scan.
class ScanHistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Start,
        End,
        Range,
        Term,
        Passes,
        Readings,
        Failed,
        State,
        SavedFile,
        Host,
        Port,
        ColumnCount
    };

    explicit ScanHistoryModel(QObject *parent = nullptr);

    void setScans(const QList<ScanSummary> &scans);
    const ScanSummary &scan(int row) const { return m_scans.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // "2026-12-07 11:30:05" in local time; empty for an invalid time.
    static QString localTimeText(const QDateTime &time);
    static QString stateText(ScanState state);

private:
    QList<ScanSummary> m_scans;
};
