#include "MainWindowLayout.h"

#include <cmath>

namespace {
constexpr double kFrameWidthAllowance = 160;
constexpr double kFrameLeft = 80;
constexpr double kGridWidthAllowance = 180;
constexpr double kGridLeft = 90;
constexpr double kDataFrameHeightAllowance = 2500;
constexpr double kGridHeightAllowance = 280;
constexpr double kChannelFrameOffset = 1200;
constexpr double kPressureFrameOffset = 4650;
} // namespace

double snapToPixel(double twips)
{
    return std::round(twips / 15.0) * 15.0;
}

ResizeStep mainWindowResizeStep(const WindowMetrics &metrics,
                                const std::function<double(double)> &readBack)
{
    ResizeStep step;
    if (metrics.minimized)
        return step;
    if (metrics.outerWidth < kMinOuterWidth) {
        step.kind = ResizeStep::Kind::Resize;
        step.outerWidth = kMinOuterWidth;
        step.outerHeight = metrics.outerHeight;
        return step;
    }
    if (metrics.outerHeight < kMinOuterHeight) {
        step.kind = ResizeStep::Kind::Resize;
        step.outerWidth = metrics.outerWidth;
        step.outerHeight = kMinOuterHeight;
        return step;
    }
    step.kind = ResizeStep::Kind::Layout;
    MainLayout &l = step.layout;
    l.fraSetWidth = readBack(metrics.innerWidth - kFrameWidthAllowance);
    l.fraSetLeft = kFrameLeft;
    l.fraDataWidth = readBack(l.fraSetWidth);
    l.fraDataLeft = kFrameLeft;
    l.fgdDataWidth = readBack(l.fraDataWidth - kGridWidthAllowance);
    l.fgdDataLeft = kGridLeft;
    l.fraDataHeight = readBack(metrics.outerHeight - kDataFrameHeightAllowance);
    l.fgdDataHeight = readBack(l.fraDataHeight - kGridHeightAllowance);
    l.fraChLeft = readBack(l.fgdDataWidth - kChannelFrameOffset);
    l.fraPresLeft = readBack(l.fraDataWidth - kPressureFrameOffset);
    return step;
}
