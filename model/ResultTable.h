#pragma once

#include "CellStore.h"
#include "ChannelNames.h"
#include "GridLayout.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <limits>
#include <optional>
#include <vector>

// The result table: row 0 holds the column labels, every further row one scan
// pass; column 0 holds the row's ID and the last column the unit. The grid
// operations (rows(), setText(row, ...)) count the label row; as an item model
// the table shows the data rows only, with the labels as its horizontal header
// and the IDs as its vertical header.
class ResultTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultTable(QObject *parent = nullptr);

    // Grid operations; rows include the label row.
    int rows() const { return int(std::min<qsizetype>(m_cells.rowCount() + 1, INT_MAX)); }
    int cols() const { return m_cells.columnCount(); }
    void setRows(int rows);
    void setCols(int cols);
    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    // Appends an empty row at the bottom and returns its index.
    int appendRow();
    // Appends whole rows at once, as a file load does; block has cols() columns.
    void appendRows(const CellStore &block);

    // Exchanges rows, columns, labels and marks with other, as a load that has
    // read its file whole puts the result in place at once.
    void swapContents(ResultTable &other);

    // Sets the columns, their labels and their width texts; leaves the rows.
    void setLayout(const GridLayout &layout);
    // Label and the blanks that widen the column, for the view's column widths.
    QString widthText(int column) const;
    // The longest text the column's data rows have held since the table was
    // emptied or laid out anew (kept when rows go), for the view to measure:
    // a column never narrows while a scan adds rows.
    QString widestText(int column) const;

    // A cell whose reading was given up: it shows marked, with why as its tip.
    void markCell(int row, int column, const QString &why);
    void clearMarks();
    bool isMarked(int row, int column) const;
    // A cell whose reading did not settle: stored, shaded, why as its tip.
    // clearMarks() clears these too; a given-up mark or a flag shows over it.
    void markUnsettled(int row, int column, const QString &why);
    bool isUnsettled(int row, int column) const
    {
        return m_unsettled.contains(markKey(row, column));
    }
    static constexpr QRgb kUnsettledColour = 0xffd8e4f0;

    // When a row's pass began (UTC); the ID's tool tip and the exports show it.
    void setRowTime(int row, const QDateTime &time);
    QDateTime rowTime(int row) const;
    // The same as milliseconds since 1970, for reading many rows; false where unknown.
    bool rowTimeMsecs(int row, qint64 *msecs) const
    {
        const auto index = std::size_t(row - 1);
        if (row < 1 || index >= m_rowTimes.size() || m_rowTimes[index] == kNoTime)
            return false;
        *msecs = m_rowTimes[index];
        return true;
    }
    // A cell flagged by a check on its reading (a unit change, an alarm limit):
    // shown in the colour with the tip. Independent of the given-up mark, whose
    // colour wins where both apply; both tips are shown.
    void flagCell(int row, int column, QRgb colour, const QString &tip);
    void clearFlags();
    void unflagCell(int row, int column);
    bool isFlagged(int row, int column) const;
    std::optional<QRgb> flagColour(int row, int column) const;
    // Between these, flagCell() and unflagCell() tell the view nothing; the
    // end tells it once about every cell, as a check over a whole table does.
    void beginFlagUpdate() { m_quietFlags = true; }
    void endFlagUpdate();
    QString flagTip(int row, int column) const;

    // What the table's channels measure: the names its scan was taken with.
    // The column headers show them as tool tips; the labels stay "Ch NN", as
    // the result file holds them.
    const ChannelNames &channelNames() const { return m_names; }
    void setChannelNames(const ChannelNames &names);
    // The channel whose readings the column holds, by its label; -1 for the
    // ID and unit columns.
    int columnChannel(int column) const;

    std::size_t memoryUsage() const { return m_cells.memoryUsage(); }
    // The data rows' cells (row 1 of the table is row 0 here), for writing a
    // file without building a QString per cell.
    const CellStore &dataCells() const { return m_cells; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The columns or their width texts changed: the view resizes its columns.
    void layoutReset();
    // A cell longer than any before it arrived in column.
    void columnWidened(int column);
    void channelNamesChanged();

private:
    static quint64 markKey(int row, int column) { return (quint64(row) << 32) | quint32(column); }
    // The cell's mark or flag colour; invalid where it has neither.
    QColor fillOf(int row, int column) const;

    CellStore m_cells;
    QStringList m_labels;
    QStringList m_widthTexts;
    // Per column, the length of its widest text and that text.
    std::vector<int> m_widestLength;
    QStringList m_widestTexts;
    void noteText(int column, QStringView text);
    void forgetWidest();
    // Given-up cells, sorted by key: a scan marks them in order, and a night
    // without a line marks one a tick, so a mark takes 16 bytes and its text
    // is kept once.
    struct Mark
    {
        quint64 key;
        quint32 text;
    };
    std::vector<Mark> m_marks;
    QStringList m_markTexts;
    QHash<QString, quint32> m_markTextIndex;
    const Mark *findMark(quint64 key) const;
    // Milliseconds since 1970 UTC per data row; kNoTime where unknown.
    static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();
    std::vector<qint64> m_rowTimes;
    struct Flag
    {
        QRgb colour;
        QString tip;
    };
    QHash<quint64, Flag> m_flags;
    QHash<quint64, QString> m_unsettled;
    bool m_quietFlags = false;
    ChannelNames m_names;
};
