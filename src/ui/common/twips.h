#pragma once

#include <QRect>
#include <QtGlobal>

// The windows' geometry is designed and stored in twips: 15 twips make one pixel at 96 dpi.
inline constexpr double kTwipsPerPixel = 15.0;

inline int TwipsToPixels(double twips)
{
    return qRound(twips / kTwipsPerPixel);
}

inline int PixelsToTwips(int pixels)
{
    return int(pixels * kTwipsPerPixel);
}

inline QRect TwipsRect(double left, double top, double width, double height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}
