#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// One 32-bit ARGB colour value.
class Color : public Object {
    LANG_CLASS(Color, Object);

    // Transparent black (value 0).
    Color() = default;
    // Opaque: alpha 255. Channels are taken modulo 256.
    Color(int red, int green, int blue);
    explicit Color(uint32_t argb) : value(argb) {}

    uint32_t getRGB() const { return value; }
    int getAlpha() const { return static_cast<int>(value >> 24); }
    int getRed() const { return static_cast<int>((value >> 16) & 0xFF); }
    int getGreen() const { return static_cast<int>((value >> 8) & 0xFF); }
    int getBlue() const { return static_cast<int>(value & 0xFF); }

    int hashCode() const override { return static_cast<int>(value); }
    bool equals(const Object* other) const override;

    uint32_t value = 0;
};

} // namespace lang
