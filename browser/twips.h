#pragma once

#include <QRect>

namespace waytrace {

// Windows and browsers are sized in twips (1/1440 inch); a device-independent pixel is 1/96
// inch.
inline constexpr int kTwipsPerPixel = 15;

// Nearest pixel; halves round away from zero.
constexpr int twipsToPixels(int twips)
{
    constexpr int kHalf = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + kHalf) / kTwipsPerPixel : -((-twips + kHalf) / kTwipsPerPixel);
}

// A design rectangle (left, top, width, height in twips) in pixels; each value is converted
// on its own, as the designer gave it.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace waytrace
