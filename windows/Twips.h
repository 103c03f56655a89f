#pragma once

#include <QRect>
#include <QtMath>

// Window geometry is defined in twips: 1/1440 inch, 15 twips to a pixel at 96
// DPI. Qt scales pixels on high-DPI screens itself.
inline constexpr double kTwipsPerPixel = 15.0;

inline int twipsToPixels(double twips)
{
    return qRound(twips / kTwipsPerPixel);
}

inline double pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

inline QRect twipsRect(double left, double top, double width, double height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}
