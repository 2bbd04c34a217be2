// The common body of the image decoder fuzz targets: a decoder must fail
// cleanly or produce a raster of the size it reports, never read or write out
// of bounds or leak.
#pragma once

#include "gfx/DecodedImage.h"

#include <cstddef>
#include <cstdint>

template <class Decode>
int fuzzDecoder(Decode decode, const uint8_t* data, size_t size) {
    if (size > (1u << 24))
        return 0;
    lang::DecodedImage image;
    if (decode(data, int(size), image)) {
        const size_t pixels = size_t(image.width) * size_t(image.height);
        if (pixels == 0 || !image.pixels)
            __builtin_trap();
        // Touch the first and last pixel so a short allocation shows.
        volatile uint32_t sink = image.pixels[0] ^ image.pixels[pixels - 1];
        (void)sink;
    }
    return 0;
}
