#pragma once

#include "gfx/DecodedImage.h"

#include <cstdint>

namespace lang {

// PNG through libpng: 16-bit samples stripped to 8, palettes, low-depth grey
// and transparency chunks expanded, blue before red. Grey and RGB images come
// out opaque; only images with four channels (RGBA, or palette/RGB with a
// transparency chunk) report hasAlpha.
class PngDecoder {
public:
    static bool decode(const uint8_t* data, int length, DecodedImage& out);
    static bool decodeFile(const char* path, DecodedImage& out);
};

} // namespace lang
