#pragma once
#include "Raster.h"

namespace assets {

// How colours look to players with the common colour-vision deficiencies
// (full dichromacy), so the ball colours can be chosen to stay apart.
enum class Vision { Normal, Protanopia, Deuteranopia, Tritanopia };

// The colour as seen with `vision` (sRGB in, sRGB out).
Rgba simulateVision(const Rgba& c, Vision vision);

// Perceptual difference of two sRGB colours: the distance in CIE L*a*b*
// (1976). About 2 is just noticeable; above 10 colours read as different.
float colourDifference(const Rgba& a, const Rgba& b);

} // namespace assets
