#include "gfx/BitmapScaler.h"

#include "gfx/DecodedImage.h"
#include "gfx/Rectangle.h"

#include <algorithm>
#include <cmath>

namespace lang {

namespace {

constexpr int64_t one = 65536;

// The source cells that a 16.16 interval [from, to) touches, with the halved
// overlap of its first and last cell. Halving keeps the product of two
// overlaps within 31 bits; (wx * wy) >> 14 then weighs a whole pixel 65536.
struct Span {
    int64_t first;
    int64_t last;
    int64_t firstWeight;
    int64_t lastWeight;

    Span(int64_t from, int64_t to) {
        first = from >> 16;
        last = (to - 1) >> 16;
        if (first == last) {
            firstWeight = lastWeight = (to - from) >> 1;
        } else {
            firstWeight = (((first + 1) << 16) - from) >> 1;
            lastWeight = (to - (last << 16)) >> 1;
        }
    }
    int64_t weight(int64_t cell) const {
        if (cell == first)
            return firstWeight;
        if (cell == last)
            return lastWeight;
        return one >> 1;
    }
    // The summed weight of every cell of this span against one cell of the
    // other axis whose halved overlap is `across`: whole cells in between all
    // weigh the same, so this needs no loop.
    int64_t sumAgainst(int64_t across) const {
        if (first == last)
            return (firstWeight * across) >> 14;
        return ((firstWeight * across) >> 14) + ((lastWeight * across) >> 14) +
               (last - first - 1) * ((across * (one >> 1)) >> 14);
    }
    // The summed weight of the whole footprint spanned by this and `rows`.
    int64_t total(const Span& rows) const {
        if (first == last)
            return rows.sumAgainst(firstWeight);
        return rows.sumAgainst(firstWeight) + rows.sumAgainst(lastWeight) +
               (last - first - 1) * rows.sumAgainst(one >> 1);
    }
};

uint32_t channelsOut(int64_t a, int64_t r, int64_t g, int64_t b) {
    auto clamp = [](int64_t v) { return static_cast<uint32_t>(std::min<int64_t>(v, 255)); };
    return clamp(a) << 24 | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

bool fitsCoefficient(double value) {
    return std::isfinite(value) && std::fabs(value) < 2147483647.0;
}

} // namespace

BitmapScaler::BitmapScaler(Image* source) : image(source) {}

BitmapScaler::~BitmapScaler() = default;

bool BitmapScaler::prepare(const Rectangle* srcRect) {
    result = nullptr;
    pixels = image ? image->getPixels() : nullptr;
    if (!pixels)
        return false;
    width = image->getWidth();
    height = image->getHeight();
    stride = image->getStride() / 4;
    // A rectangle reaching outside the image would read outside the buffer;
    // only the part over the image is used.
    Rectangle cut(0, 0, width, height);
    if (srcRect)
        cut.intersect(*srcRect);
    if (cut.isEmpty())
        return false;
    srcX = cut.x;
    srcY = cut.y;
    srcW = cut.width;
    srcH = cut.height;
    return true;
}

Ref<Image> BitmapScaler::scale(int newWidth, int newHeight, const Rectangle* srcRect, int mode) {
    if (!prepare(srcRect) || !isAcceptableImageSize(newWidth, newHeight))
        return nullptr;
    outWidth = newWidth;
    outHeight = newHeight;
    result = adopt(new Image(outWidth, outHeight, 1, false));
    uint32_t* out = result->getPixels();
    if (!out) {
        result = nullptr;
        return nullptr;
    }
    result->setHasAlpha(image->getHasAlpha());
    if (mode == 0)
        scaleNearest(out);
    else if (mode == 1)
        scaleArea(out);
    return result;
}

void BitmapScaler::scaleNearest(uint32_t* out) {
    const int64_t stepX = int64_t{srcW} * one / outWidth;
    const int64_t stepY = int64_t{srcH} * one / outHeight;
    for (int i = 0; i < outHeight; ++i) {
        const uint32_t* row = pixels + int64_t{srcY + ((i * stepY) >> 16)} * stride + srcX;
        for (int j = 0; j < outWidth; ++j)
            *out++ = row[(j * stepX) >> 16];
    }
}

void BitmapScaler::scaleArea(uint32_t* out) {
    const int64_t stepX = int64_t{srcW} * one / outWidth;
    const int64_t stepY = int64_t{srcH} * one / outHeight;
    for (int i = 0; i < outHeight; ++i) {
        Span rows(i * stepY, (i + 1) * stepY);
        for (int j = 0; j < outWidth; ++j) {
            Span columns(j * stepX, (j + 1) * stepX);
            int64_t a = 0, r = 0, g = 0, b = 0, total = 0;
            if (stepX > 0 && stepY > 0) {
                for (int64_t y = rows.first; y <= rows.last; ++y) {
                    const uint32_t* row = pixels + (srcY + y) * stride + srcX;
                    const int64_t wy = rows.weight(y);
                    for (int64_t x = columns.first; x <= columns.last; ++x) {
                        const int64_t w = (columns.weight(x) * wy) >> 14;
                        const uint32_t p = row[x];
                        a += (p >> 24) * w;
                        r += ((p >> 16) & 0xFF) * w;
                        g += ((p >> 8) & 0xFF) * w;
                        b += (p & 0xFF) * w;
                        total += w;
                    }
                }
            }
            if (total > 0) {
                *out++ = channelsOut(a / total, r / total, g / total, b / total);
            } else {
                // A footprint far below one pixel weighs nothing; the pixel it
                // starts in stands for it.
                *out++ = pixels[(srcY + ((i * stepY) >> 16)) * stride + srcX + ((j * stepX) >> 16)];
            }
        }
    }
}

Ref<Image> BitmapScaler::rotate(double angle, const Rectangle* srcRect, int mode, double factor) {
    if (!prepare(srcRect))
        return nullptr;
    if (!std::isfinite(angle) || !(factor > 0))
        return nullptr;
    const double c = std::cos(angle), s = std::sin(angle);
    if (!fitsCoefficient(one * factor) || !fitsCoefficient(one / factor))
        return nullptr;

    m00 = m11 = static_cast<int32_t>(one * c * factor);
    m10 = static_cast<int32_t>(one * s * factor);
    m01 = -m10;
    const int64_t cornerX[4] = {0, 0, srcW, srcW};
    const int64_t cornerY[4] = {0, srcH, 0, srcH};
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < 4; ++k) {
        const int64_t tx = cornerX[k] * m00 + cornerY[k] * m01;
        const int64_t ty = cornerX[k] * m10 + cornerY[k] * m11;
        minX = std::min(minX, tx);
        maxX = std::max(maxX, tx);
        minY = std::min(minY, ty);
        maxY = std::max(maxY, ty);
    }
    const int64_t sizeX = (maxX >> 16) - (minX >> 16) + 1;
    const int64_t sizeY = (maxY >> 16) - (minY >> 16) + 1;
    if (!isAcceptableImageSize(sizeX, sizeY))
        return nullptr;
    outWidth = static_cast<int>(sizeX);
    outHeight = static_cast<int>(sizeY);
    result = adopt(new Image(outWidth, outHeight, 1, false));
    uint32_t* out = result->getPixels();
    if (!out) {
        result = nullptr;
        return nullptr;
    }
    result->setHasAlpha(true);

    m00 = m11 = static_cast<int32_t>(one * c / factor);
    m10 = static_cast<int32_t>(-one * s / factor);
    m01 = -m10;
    if (mode == 0)
        rotateNearest(out);
    else if (mode == 1)
        rotateArea(out, static_cast<int64_t>(one / factor));
    return result;
}

// Output pixels are measured from (outWidth / 2, outHeight / 2) and source
// positions from (srcW / 2, srcH / 2). Both centres are whole pixels, so a
// turn by 0 lands every output pixel squarely on one source pixel in either
// mode.
void BitmapScaler::rotateNearest(uint32_t* out) {
    const int64_t centreX = int64_t{srcW / 2} << 16, centreY = int64_t{srcH / 2} << 16;
    for (int oy = 0; oy < outHeight; ++oy) {
        const int64_t dy = oy - outHeight / 2;
        for (int ox = 0; ox < outWidth; ++ox) {
            const int64_t dx = ox - outWidth / 2;
            const int64_t u = dx * m00 + dy * m01 + centreX;
            const int64_t v = dx * m10 + dy * m11 + centreY;
            const int64_t sx = (u + 0x8000) >> 16, sy = (v + 0x8000) >> 16;
            uint32_t p = 0;
            if (sx >= 0 && sx < srcW && sy >= 0 && sy < srcH)
                p = pixels[(srcY + sy) * stride + srcX + sx];
            *out++ = p;
        }
    }
}

// Each output pixel covers a square of `side` source units (16.16) centred
// where its centre maps to. Cells outside the source rectangle add weight but
// no alpha.
void BitmapScaler::rotateArea(uint32_t* out, int64_t side) {
    const int64_t centreX = int64_t{srcW / 2} << 16, centreY = int64_t{srcH / 2} << 16;
    for (int oy = 0; oy < outHeight; ++oy) {
        const int64_t dy = oy - outHeight / 2;
        for (int ox = 0; ox < outWidth; ++ox) {
            const int64_t dx = ox - outWidth / 2;
            // Moved by half a pixel so that cell k covers [k, k + 1).
            const int64_t u = dx * m00 + dy * m01 + centreX + 0x8000;
            const int64_t v = dx * m10 + dy * m11 + centreY + 0x8000;
            const int64_t left = u - side / 2, top = v - side / 2;
            Span columns(left, left + side), rows(top, top + side);
            const int64_t total = columns.total(rows);
            uint32_t p = 0;
            if (total > 0) {
                int64_t a = 0, r = 0, g = 0, b = 0, colourWeight = 0;
                const int64_t y0 = std::max<int64_t>(rows.first, 0);
                const int64_t y1 = std::min<int64_t>(rows.last, srcH - 1);
                const int64_t x0 = std::max<int64_t>(columns.first, 0);
                const int64_t x1 = std::min<int64_t>(columns.last, srcW - 1);
                for (int64_t y = y0; y <= y1; ++y) {
                    const uint32_t* row = pixels + (srcY + y) * stride + srcX;
                    const int64_t wy = rows.weight(y);
                    for (int64_t x = x0; x <= x1; ++x) {
                        const uint32_t q = row[x];
                        const int64_t alpha = q >> 24;
                        if (alpha == 0)
                            continue;
                        const int64_t w = (columns.weight(x) * wy) >> 14;
                        a += alpha * w;
                        r += ((q >> 16) & 0xFF) * w;
                        g += ((q >> 8) & 0xFF) * w;
                        b += (q & 0xFF) * w;
                        colourWeight += w;
                    }
                }
                if (colourWeight > 0)
                    p = channelsOut(a / total, r / colourWeight, g / colourWeight,
                                    b / colourWeight);
            } else {
                // Enlarged so far that a pixel's footprint weighs nothing: the
                // cell under its centre stands for it.
                const int64_t sx = u >> 16, sy = v >> 16;
                if (sx >= 0 && sx < srcW && sy >= 0 && sy < srcH)
                    p = pixels[(srcY + sy) * stride + srcX + sx];
            }
            *out++ = p;
        }
    }
}

} // namespace lang
