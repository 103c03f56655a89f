#pragma once

#include <chrono>
#include <optional>

// The scan term as the window and the command line take it: a term shorter
// than kShortestTerm is raised to it, one longer than the scan timer can hold
// is refused.
inline constexpr double kShortestTerm = 0.2;
// The longest term in whole seconds.
int longestTermSeconds();
// The scan period for a term in seconds; nothing when it is too long (or no
// number).
std::optional<std::chrono::milliseconds> scanPeriodFor(double seconds);
