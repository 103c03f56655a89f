#pragma once

#include <functional>

// The resize rule of the main window, in twips (15 twips to a pixel at 96 DPI).
// The settings frame, the data frame and the grid follow the window's width,
// the data frame and the grid its height; the readout frames keep their
// distance from the right edge. A window below the minimum size is first
// widened, then (in the next pass) heightened, before anything is laid out.

struct WindowMetrics
{
    bool minimized = false;
    double outerWidth = 0;
    double outerHeight = 0;
    double innerWidth = 0;
};

struct MainLayout
{
    double fraSetLeft = 0;
    double fraSetWidth = 0;
    double fraDataLeft = 0;
    double fraDataWidth = 0;
    double fraDataHeight = 0;
    double fgdDataLeft = 0;
    double fgdDataWidth = 0;
    double fgdDataHeight = 0;
    double fraChLeft = 0;
    double fraPresLeft = 0;
};

struct ResizeStep
{
    enum class Kind { Nothing, Resize, Layout };
    Kind kind = Kind::Nothing;
    // For Resize: the outer size to set (which causes another pass).
    double outerWidth = 0;
    double outerHeight = 0;
    MainLayout layout;
};

inline constexpr double kMinOuterWidth = 9420;
inline constexpr double kMinOuterHeight = 6240;

// One pass of the rule. readBack gives the value a control holds after being
// set to a size, so that the platform's rounding to whole pixels carries
// through to the values computed from it.
ResizeStep mainWindowResizeStep(const WindowMetrics &metrics,
                                const std::function<double(double)> &readBack);

// Rounds twips to whole pixels at 96 DPI, as the widgets do.
double snapToPixel(double twips);
