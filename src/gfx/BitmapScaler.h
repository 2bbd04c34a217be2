#pragma once

#include "core/Object.h"
#include "core/Ref.h"
#include "gfx/Image.h"

#include <cstdint>

namespace lang {

class Rectangle;

// Scaled and turned copies of an image, made in software: a fast
// nearest-pixel mode (0) and a smooth area-weighted mode (1).
//
// Each call replaces `result`, the scaler's last image; the returned handle
// adds a reference, so a caller that keeps it may keep it past the next call.
// A scaler is used by one thread at a time.
class BitmapScaler : public Object {
    LANG_CLASS(BitmapScaler, Object);

    // Keeps `image` (counted). The pixels are looked up at every call, so an
    // image unloaded in between gives null results instead of stale reads.
    explicit BitmapScaler(Image* image);
    ~BitmapScaler() override;
    BitmapScaler(const BitmapScaler&) = delete;
    BitmapScaler& operator=(const BitmapScaler&) = delete;

    // A width x height copy of `srcRect` (the whole image when null), cut to
    // the image. Mode 0 takes the nearest pixel; mode 1 averages every source
    // pixel under a destination pixel by the area it covers. Null when the
    // source has no pixels, the cut rectangle is empty or the size cannot be
    // made; other modes leave the image transparent.
    Ref<Image> scale(int width, int height, const Rectangle* srcRect, int mode);

    // `srcRect` turned by `angle` radians about its centre and scaled by
    // `factor`, in an image that holds the turned corners plus one pixel.
    // Mode 0 takes the nearest pixel; mode 1 integrates the pixel's footprint
    // by area, with alpha averaged over the whole footprint and the colour
    // only over pixels that are not fully transparent, so edges do not darken
    // towards black. Null when the source has no pixels, the cut rectangle is
    // empty, the angle or factor is not finite, or the factor is too small or
    // too large for 16.16 coefficients.
    Ref<Image> rotate(double angle, const Rectangle* srcRect, int mode, double factor);

private:
    // Loads the pixel buffer and the source rectangle; false when there is
    // nothing to read.
    bool prepare(const Rectangle* srcRect);
    void scaleNearest(uint32_t* out);
    void scaleArea(uint32_t* out);
    void rotateNearest(uint32_t* out);
    void rotateArea(uint32_t* out, int64_t side);

    Ref<Image> image;
    const uint32_t* pixels = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
    Ref<Image> result;
    int outWidth = 0;
    int outHeight = 0;
    int srcX = 0;
    int srcY = 0;
    int srcW = 0;
    int srcH = 0;
    int32_t m00 = 0;
    int32_t m01 = 0;
    int32_t m10 = 0;
    int32_t m11 = 0;
};

} // namespace lang
