#pragma once

#include "gfx/Blend.h"

namespace lang {

// The vector composition loops behind Blend. Each instruction set has its own
// translation unit compiled for that set; Blend calls one only after checking
// the CPU, and only for levels up to 128 and tints up to 256 (the ranges in
// which the 16-bit lane arithmetic is exact). Results equal the scalar loops.
class BlendSimd {
public:
    struct Settings {
        bool additive;
        bool tinted;
        bool targetHasAlpha;
    };

#if defined(__x86_64__)
    static void composeSse2(const Settings& s, const Composition& c);
    static void shadowSse2(const Composition& c);
    static void composeSsse3(const Settings& s, const Composition& c);
    static void shadowSsse3(const Composition& c);
    static void composeAvx2(const Settings& s, const Composition& c);
    static void shadowAvx2(const Composition& c);
#endif
};

} // namespace lang
