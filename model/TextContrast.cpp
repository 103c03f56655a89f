#include "TextContrast.h"

#include <algorithm>
#include <cmath>

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
        + 0.0722 * linear(rgb.blueF());
}

} // namespace

double TextContrast::ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TextContrast::readable(const QColor &wanted, const QColor &background,
                              const QColor &fallback)
{
    if (ratio(wanted, background) >= kReadable)
        return wanted;
    const QColor hsl = wanted.toHsl();
    if (hsl.hslSaturation() <= 0)
        return fallback;
    // Away from the background's side: lighter on a dark one, darker on a light one.
    const int step = luminance(background) < 0.18 ? 8 : -8;
    for (int lightness = hsl.lightness() + step; lightness > 0 && lightness < 255;
         lightness += step) {
        const QColor candidate
            = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness).toRgb();
        if (ratio(candidate, background) >= kReadable)
            return candidate;
    }
    return fallback;
}

QColor TextContrast::textOn(const QColor &fill)
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ratio(black, fill) >= ratio(white, fill) ? black : white;
}
