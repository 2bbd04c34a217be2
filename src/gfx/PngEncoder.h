#pragma once

#include <cstdint>
#include <vector>

namespace lang {

// Writes 32-bit ARGB rasters (stride = width) as 8-bit RGBA PNG through
// libpng: colour not premultiplied, alpha as the pixels hold it, or 255
// everywhere when `opaque` is set (for images whose alpha means nothing).
class PngEncoder {
public:
    // The PNG bytes, or an empty vector when encoding fails.
    static std::vector<uint8_t> encode(const uint32_t* pixels, int width, int height, bool opaque);
    // Writes the PNG to path; false on any failure (nothing half-written stays).
    static bool writeFile(const char* path, const uint32_t* pixels, int width, int height,
                          bool opaque);
};

} // namespace lang
