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
    // Rows come in ascending order (a row may repeat); value is finite.
    void add(qsizetype row, float value)
    {
        for (int level = 0; level < kLevels; ++level) {
            Level &current = m_levels[std::size_t(level)];
            const qsizetype index = row >> shift(level);
            if (index != current.index) {
                moveTo(current, index);
            } else if (current.span->low <= value && value <= current.span->high) {
                // The block already covers it, and so do those above it.
                return;
            }
            current.span->take(value);
        }
    }

    // Blocks of the level from row 0 to the last row added.
    qsizetype blockCount(int level) const
    {
        return qsizetype(m_levels[std::size_t(level)].blocks.size());
    }
    const Span &block(int level, qsizetype index) const
    {
        return m_levels[std::size_t(level)].blocks[std::size_t(index)];
    }
    std::size_t memoryUsage() const;

private:
    static constexpr int shift(int level) { return 4 + 3 * level; }

    struct Level
    {
        // Grows block by block: no reallocation doubles the memory at a bad moment.
        std::deque<Span> blocks;
        qsizetype index = -1;
        Span *span = nullptr;
    };
    static void moveTo(Level &level, qsizetype index);

    std::array<Level, kLevels> m_levels;
};
