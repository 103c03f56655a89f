#pragma once

#include <QHash>
#include <QString>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

// The text cells of a result table's data rows, kept compact: a table can grow
// to millions of readings. A cell is 8 bytes. Texts made only of digits, ".",
// "-", "+", "E" and "e" and at most 15 characters long (every typical reading)
// are packed into the cell itself, 4 bits a character; any other text is kept
// once in a pool of distinct texts and the cell holds its index. Rows live in
// fixed-size chunks, so appending a row never moves the rows already held.
class CellStore
{
public:
    explicit CellStore(int columns = 0);

    int columnCount() const { return m_columns; }
    qsizetype rowCount() const { return m_rows; }

    // Drops every row and sets the number of columns.
    void reset(int columns);
    // Keeps the rows: cells of removed columns are dropped, new ones are empty.
    void setColumnCount(int columns);

    void appendRow();
    void appendRows(qsizetype count);
    void truncate(qsizetype rows);

    QString text(qsizetype row, int column) const;
    bool isEmpty(qsizetype row, int column) const { return cell(row, column) == 0; }
    void setText(qsizetype row, int column, QStringView text);
    // Fast path for text that is known to be ASCII (numbers read from a file).
    void setAscii(qsizetype row, int column, const char *text, qsizetype length);
    // Fast path for writing a file: copies a packed text's characters to out
    // (room for kMaxPackedLength) and returns their count, or -1 for a text
    // kept in the pool, which text() gives.
    static constexpr int kMaxPackedLength = 15;
    int packedText(qsizetype row, int column, char *out) const;
    // The cell's text length in characters, without building the text.
    int textLength(qsizetype row, int column) const
    {
        const Cell value = cell(row, column);
        return (value & kPoolBit) ? int(poolTextLength(value)) : (std::bit_width(value) + 3) / 4;
    }
    // The cell's text read as a number (C locale); NaN when it is empty or no
    // number. A packed text is read without making a QString, as the live view
    // reads whole columns.
    double number(qsizetype row, int column) const;
    // number() of count cells of a row from firstColumn on, and whether each
    // holds a text at all, for reading a whole table at once.
    void rowNumbers(qsizetype row, int firstColumn, int count, double *numbers, bool *filled) const;

    // Copies all rows of other (same column count) to the end of this store.
    void appendRowsFrom(const CellStore &other);

    // Heap bytes held for the cells and the pool of texts.
    std::size_t memoryUsage() const;

private:
    using Cell = std::uint64_t;
    static constexpr Cell kPoolBit = Cell(1) << 63;
    qsizetype poolTextLength(Cell value) const
    {
        return m_pool[std::size_t(value & ~kPoolBit)].size();
    }

    // Inline: every cell access of a file load or save goes through these.
    Cell *rowCells(qsizetype row) const
    {
        const auto index = std::size_t(row);
        const auto perChunk = std::size_t(m_rowsPerChunk);
        return m_chunks[index / perChunk].get() + (index % perChunk) * std::size_t(m_columns);
    }
    Cell &cell(qsizetype row, int column) { return rowCells(row)[column]; }
    Cell cell(qsizetype row, int column) const { return rowCells(row)[column]; }
    Cell poolCell(QStringView text);
    QString poolText(Cell cell) const;
    int rowsPerChunk() const { return m_rowsPerChunk; }
    void setColumns(int columns);

    int m_columns = 0;
    int m_rowsPerChunk = 1;
    qsizetype m_rows = 0;
    std::vector<std::unique_ptr<Cell[]>> m_chunks;
    std::vector<QString> m_pool;
    QHash<QString, std::uint64_t> m_poolIndex;
};
