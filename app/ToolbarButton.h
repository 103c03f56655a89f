#pragma once

// The main toolbar's buttons by their 1-based position; separators count.
enum class ToolbarButton {
    NewFile = 1,
    Open = 2,
    Save = 3,
    Print = 5,
    Start = 7,
    Stop = 8,
    Manual = 10,
};

inline constexpr int kToolbarPositions = 10;
