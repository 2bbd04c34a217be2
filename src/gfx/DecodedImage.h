#pragma once

#include <cstdint>
#include <memory>

namespace lang {

// What a decoder hands to Image: a top-down raster of 32-bit ARGB pixels
// (blue, green, red, alpha in memory), stride = width, and whether the pixels
// carry meaningful alpha.
struct DecodedImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::unique_ptr<uint32_t[]> pixels;
};

// Limits on rasters built from outside data. Declared dimensions beyond them
// are refused before anything is allocated, so a few hostile header bytes
// cannot make us reserve gigabytes.
constexpr int64_t maxImageDimension = 16384;
constexpr int64_t maxImagePixelBytes = int64_t(256) << 20;

inline bool isAcceptableImageSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= maxImageDimension && height <= maxImageDimension &&
           width * height * 4 <= maxImagePixelBytes;
}

} // namespace lang
