#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// The composition settings of a GraphicsI: tint, opacity level and drop
// shadow, plus the description of the image being drawn (filled by drawImage).
class FancyHelper : public Object {
    LANG_CLASS(FancyHelper, Object);

    // Sets the level and the three tints at once.
    void setTint(int newLevel, int red, int green, int blue) {
        level = newLevel;
        tintRed = red;
        tintGreen = green;
        tintBlue = blue;
    }
    bool isTinted() const { return tintRed != 128 || tintGreen != 128 || tintBlue != 128; }
    // Takes tint, level and shadow from `other`; the source being drawn stays.
    void setComposition(const FancyHelper& other) {
        setTint(other.level, other.tintRed, other.tintGreen, other.tintBlue);
        shadow = other.shadow;
        shadowDx = other.shadowDx;
        shadowDy = other.shadowDy;
    }

    // Per-channel multipliers in 128ths; 128 leaves the channel unchanged.
    int32_t tintRed = 128;
    int32_t tintGreen = 128;
    int32_t tintBlue = 128;
    // Opacity in 128ths on top of the source alpha; 0 draws nothing.
    int32_t level = 128;
    bool shadow = false;
    int32_t shadowDx = 0;
    int32_t shadowDy = 0;

    // The source being drawn (borrowed for the duration of one drawImage).
    const uint32_t* srcPixels = nullptr;
    int32_t srcWidth = 0;
    int32_t srcHeight = 0;
    int32_t srcStride = 0;
};

} // namespace lang
