#pragma once

#include "core/Ref.h"
#include "gfx/Image.h"

namespace lang {
class Rectangle;
}

namespace testsupport {

// The turn of BitmapScaler::rotate written the plain way, one footprint cell
// at a time with every weight summed, for checking the scaler's faster loops.
lang::Ref<lang::Image> referenceRotate(const lang::Image& source, double angle,
                                       const lang::Rectangle* srcRect, int mode, double factor);

} // namespace testsupport
