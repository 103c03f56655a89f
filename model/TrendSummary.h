#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <deque>
#include <limits>

// One channel's readings in a few levels of coarseness: the lowest and the
// highest value of each block of rows, 16 rows a block at the finest level and
// eight times as many at each next one. A trend of millions of readings is
// drawn from the level whose blocks are about a pixel wide, so that a spike
// stays visible without a copy of every reading: the values stay in the table.
class TrendSummary
{
public:
    struct Span
    {
        float low = std::numeric_limits<float>::infinity();
        float high = -std::numeric_limits<float>::infinity();

        bool isEmpty() const { return !(low <= high); }
        void take(float value)
        {
            low = std::min(low, value);
            high = std::max(high, value);
        }
        void take(const Span &other)
        {
            low = std::min(low, other.low);
            high = std::max(high, other.high);
        }
    };

    static constexpr int kLevels = 8;
    static constexpr qsizetype rowsPerBlock(int level) { return qsizetype(1) << shift(level); }

    void clear();
    // Rows come in ascending order (a row may repeat); value is finite. A
    // block is passed up to the next level once it is complete, so that a
    // reading costs one comparison and no more, however many levels there are.
    void add(qsizetype row, float value)
    {
        Level &finest = m_levels[0];
        const qsizetype index = row >> shift(0);
        if (index != finest.index) {
            foldUp(0);
            moveTo(finest, index);
        }
        finest.span->take(value);
        m_lastRow = std::max(m_lastRow, row);
    }

    // Blocks of the level from row 0 to the last row added.
    qsizetype blockCount(int level) const
    {
        return m_lastRow < 0 ? 0 : (m_lastRow >> shift(level)) + 1;
    }
    Span block(int level, qsizetype index) const;
    std::size_t memoryUsage() const;

private:
    static constexpr int kFanShift = 3;
    static constexpr int shift(int level) { return 4 + kFanShift * level; }

    struct Level
    {
        // Grows block by block: no reallocation doubles the memory at a bad moment.
        std::deque<Span> blocks;
        qsizetype index = -1;
        Span *span = nullptr;
    };
    static void moveTo(Level &level, qsizetype index);
    // Takes the level's current block into the level above.
    void foldUp(int level);

    std::array<Level, kLevels> m_levels;
    qsizetype m_lastRow = -1;
};
