#include "TrendSummary.h"

void TrendSummary::clear()
{
    for (Level &level : m_levels)
        level = Level();
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
