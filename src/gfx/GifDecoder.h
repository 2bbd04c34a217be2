#pragma once

#include "gfx/DecodedImage.h"

#include <cstdint>

namespace lang {

// The program's own GIF decoder. Only the first image of a stream is decoded,
// placed on a raster of the logical screen's size; pixels it does not cover
// stay transparent (0).
class GifDecoder {
public:
    // Returns false (and leaves out untouched) for anything that is not a
    // complete, sane GIF header, descriptor and image data chain.
    static bool decode(const uint8_t* data, int length, DecodedImage& out);
};

} // namespace lang
