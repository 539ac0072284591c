// Twips (1/1440 inch) and device-independent pixels, 15 twips to a pixel.
#pragma once

#include <cmath>

namespace parlowen {

inline constexpr double kTwipsPerPixel = 15.0;

// The nearest whole pixel to a length in twips.
inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline double pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace parlowen
