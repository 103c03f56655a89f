#include "TrendSummary.h"

void TrendSummary::clear()
{
    for (Level &level : m_levels)
        level = Level();
    m_lastRow = -1;
}

void TrendSummary::foldUp(int level)
{
    const Level &from = m_levels[std::size_t(level)];
    if (level + 1 >= kLevels || from.index < 0)
        return;
    Level &up = m_levels[std::size_t(level + 1)];
    const qsizetype index = from.index >> kFanShift;
    if (index != up.index) {
        foldUp(level + 1);
        moveTo(up, index);
    }
    up.span->take(*from.span);
}

TrendSummary::Span TrendSummary::block(int level, qsizetype index) const
{
    const Level &at = m_levels[std::size_t(level)];
    Span span = index < qsizetype(at.blocks.size()) ? at.blocks[std::size_t(index)] : Span();
    // The current block of each finer level is not passed up yet.
    for (int finer = level - 1; finer >= 0; --finer) {
        const Level &from = m_levels[std::size_t(finer)];
        if (from.index >= 0 && (from.index >> (kFanShift * (level - finer))) == index)
            span.take(*from.span);
    }
    return span;
}

void TrendSummary::moveTo(Level &level, qsizetype index)
{
    while (qsizetype(level.blocks.size()) <= index)
        level.blocks.emplace_back();
    level.index = index;
    // A deque's elements stay where they are as it grows at the back.
    level.span = &level.blocks[std::size_t(index)];
}

std::size_t TrendSummary::memoryUsage() const
{
    std::size_t bytes = 0;
    for (const Level &level : m_levels)
        bytes += level.blocks.size() * sizeof(Span);
    return bytes;
}
