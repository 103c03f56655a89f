#include "ScanTerm.h"

#include <algorithm>
#include <climits>
#include <cmath>

int longestTermSeconds()
{
    return INT_MAX / 1000;
}

std::optional<std::chrono::milliseconds> scanPeriodFor(double seconds)
{
    if (!std::isfinite(seconds))
        return std::nullopt;
    const double periodMs = std::nearbyint(std::max(seconds, kShortestTerm) * 1000);
    if (periodMs > INT_MAX)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(periodMs));
}
