#pragma once

#include "core/Ref.h"
#include "gfx/Image.h"

namespace lang {
class Rectangle;
}

namespace testsupport {

// The turn of BitmapScaler::rotate written the plain way, visiting every
// footprint cell and summing every weight, for checking the scaler's loops
// (cut to the source rectangle, total weight in closed form).
lang::Ref<lang::Image> referenceRotate(const lang::Image& source, double angle,
                                       const lang::Rectangle* srcRect, int mode, double factor);

} // namespace testsupport
