#pragma once

#include "gfx/DecodedImage.h"

#include <cstdint>

namespace lang {

// JPEG through libjpeg (API 62), one scanline at a time. Colour images become
// opaque RGB pixels and greyscale images opaque grey ones; other colour spaces
// (CMYK, YCCK) are refused. Data that ends before the end marker is a
// failure, not a grey-padded picture.
class JpegDecoder {
public:
    static bool decode(const uint8_t* data, int length, DecodedImage& out);
    static bool decodeFile(const char* path, DecodedImage& out);
};

} // namespace lang
