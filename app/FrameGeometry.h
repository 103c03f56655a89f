#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QString>

// The main window as defined, in twips: its client area, where the controls
// below the toolbar start (they are placed relative to that line), and what a
// window frame, caption and menu add, so that the resize rule sees outer sizes
// whatever the window manager draws.
namespace FrameGeometry {

inline constexpr double kClientWidth = 9300;
inline constexpr double kClientHeight = 5550;
inline constexpr double kControlsTop = 390;
inline constexpr double kStatusBarHeight = 270;
inline constexpr double kFrameWidth = 120;
inline constexpr double kFrameHeight = 690;
inline constexpr double kChannelFrameWidth = 1245;

// The windows name a Korean font; where it is missing, a substitute that
// carries Hangul stands in for it.
inline QFont namedFont(double points, bool bold)
{
    QFont font(QStringLiteral("굴림"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The result grid's font: fixed-pitch, so that digits line up, a reading's
// width follows from its length, and "." and "," look plainly different.
inline QFont gridFont(double points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    return font;
}

} // namespace FrameGeometry
