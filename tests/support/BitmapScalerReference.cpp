#include "support/BitmapScalerReference.h"

#include "gfx/Rectangle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace testsupport {

namespace {

// The halved overlap of source cell k with the 16.16 interval [from, to).
int64_t overlap(int64_t k, int64_t from, int64_t to) {
    int64_t lo = std::max(from, k << 16), hi = std::min(to, (k + 1) << 16);
    return hi > lo ? (hi - lo) >> 1 : 0;
}

} // namespace

lang::Ref<lang::Image> referenceRotate(const lang::Image& source, double angle,
                                       const lang::Rectangle* srcRect, int mode, double factor) {
    lang::Rectangle cut(0, 0, source.getWidth(), source.getHeight());
    if (srcRect)
        cut.intersect(*srcRect);
    const int64_t one = 65536;
    const double c = std::cos(angle), s = std::sin(angle);
    int32_t f00 = static_cast<int32_t>(one * c * factor);
    int32_t f10 = static_cast<int32_t>(one * s * factor);
    int32_t f01 = -f10;
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int64_t cx : {0, cut.width})
        for (int64_t cy : {0, cut.height}) {
            minX = std::min(minX, cx * f00 + cy * f01);
            maxX = std::max(maxX, cx * f00 + cy * f01);
            minY = std::min(minY, cx * f10 + cy * f00);
            maxY = std::max(maxY, cx * f10 + cy * f00);
        }
    const int outW = static_cast<int>((maxX >> 16) - (minX >> 16) + 1);
    const int outH = static_cast<int>((maxY >> 16) - (minY >> 16) + 1);
    auto out = lang::adopt(new lang::Image(outW, outH, 1, false));
    int32_t i00 = static_cast<int32_t>(one * c / factor);
    int32_t i10 = static_cast<int32_t>(-one * s / factor);
    int32_t i01 = -i10;
    const int64_t side = static_cast<int64_t>(one / factor);
    auto pixel = [&](int64_t sx, int64_t sy) -> uint32_t {
        if (sx < 0 || sy < 0 || sx >= cut.width || sy >= cut.height)
            return 0;
        return source.getPixels()[(cut.y + sy) * source.getWidth() + cut.x + sx];
    };
    for (int oy = 0; oy < outH; ++oy)
        for (int ox = 0; ox < outW; ++ox) {
            const int64_t dx = ox - outW / 2, dy = oy - outH / 2;
            const int64_t u = dx * i00 + dy * i01 + (int64_t{cut.width / 2} << 16);
            const int64_t v = dx * i10 + dy * i00 + (int64_t{cut.height / 2} << 16);
            uint32_t result = 0;
            if (mode == 0) {
                result = pixel((u + 0x8000) >> 16, (v + 0x8000) >> 16);
            } else if (mode == 1) {
                const int64_t left = u + 0x8000 - side / 2, top = v + 0x8000 - side / 2;
                int64_t total = 0, colourWeight = 0, a = 0, r = 0, g = 0, b = 0;
                for (int64_t ky = top >> 16; ky <= (top + side - 1) >> 16; ++ky)
                    for (int64_t kx = left >> 16; kx <= (left + side - 1) >> 16; ++kx) {
                        const int64_t w =
                            (overlap(kx, left, left + side) * overlap(ky, top, top + side)) >> 14;
                        total += w;
                        const uint32_t p = pixel(kx, ky);
                        if ((p >> 24) == 0)
                            continue;
                        a += (p >> 24) * w;
                        r += ((p >> 16) & 0xFF) * w;
                        g += ((p >> 8) & 0xFF) * w;
                        b += (p & 0xFF) * w;
                        colourWeight += w;
                    }
                if (total == 0)
                    result = pixel((u + 0x8000) >> 16, (v + 0x8000) >> 16);
                else if (colourWeight > 0)
                    result = static_cast<uint32_t>(std::min<int64_t>(a / total, 255) << 24 |
                                                   std::min<int64_t>(r / colourWeight, 255) << 16 |
                                                   std::min<int64_t>(g / colourWeight, 255) << 8 |
                                                   std::min<int64_t>(b / colourWeight, 255));
            }
            out->getPixels()[oy * outW + ox] = result;
        }
    return out;
}

} // namespace testsupport
