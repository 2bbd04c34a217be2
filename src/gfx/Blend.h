#pragma once

#include <cstdint>

namespace lang {

// One composition of a source block onto a destination block of the same
// size; both are already clipped to each other and to the clip rectangle.
// Strides count pixels (32-bit ARGB values), not bytes.
struct Composition {
    const uint32_t* src = nullptr;
    int srcStride = 0;
    uint32_t* dst = nullptr;
    int dstStride = 0;
    int width = 0;
    int height = 0;
    // Opacity in 128ths on top of the source alpha (128 opaque, 0 nothing).
    int level = 128;
    // Per-channel multipliers in 128ths; all 128 means no tint.
    int tintRed = 128;
    int tintGreen = 128;
    int tintBlue = 128;
    // The destination's alpha is meaningful: alpha-0 pixels count as empty
    // and take the source pixel as it is.
    bool targetHasAlpha = false;
};

// The composition loops: normal (alpha) blending, additive blending and the
// drop shadow, with tint and opacity level. Every loop skips fully transparent
// source pixels first; every result channel saturates at 0 and 255.
//
// Level is clamped to 0..65536 and tints to 0..32768, which keeps the integer
// products inside 32 bits without changing any result a level or tint in
// the clamped-off range could give (beyond those bounds every pixel already
// saturates or vanishes).
class Blend {
public:
    enum Mode { Normal = 0, Additive = 1 };

    // The instruction sets a loop can use. Scalar runs everywhere; Sse2 on
    // every x86-64; Ssse3 and Avx2 where the CPU reports them.
    enum Isa { Scalar = 0, Sse2 = 1, Ssse3 = 2, Avx2 = 3 };

    // The best instruction set of this CPU, chosen once.
    static Isa bestIsa();
    static bool isaAvailable(Isa isa);

    // Composes with the best loop of this CPU; the result is the same with
    // every loop.
    static void compose(Mode mode, const Composition& c);
    // Darkens the destination under every source pixel whose weight
    // (alpha x level) is at least 256; ignores colour and tint.
    static void shadow(const Composition& c);

    // The same operations with a chosen instruction set (an unavailable one
    // falls back to the scalar loop). Tests and benchmarks use these.
    static void composeWith(Isa isa, Mode mode, const Composition& c);
    static void shadowWith(Isa isa, const Composition& c);

    // Blends one ARGB value over one pixel: alpha 255 replaces, otherwise each
    // channel becomes (s*a + d*(256-a)) / 256 and the alpha 255.
    static uint32_t blendPixel(uint32_t d, uint32_t argb) {
        uint32_t a = argb >> 24;
        if (a == 255)
            return argb;
        uint32_t na = 256 - a;
        uint32_t rb = ((argb & 0xFF00FFu) * a + (d & 0xFF00FFu) * na) >> 8;
        uint32_t g = ((argb & 0xFF00u) * a + (d & 0xFF00u) * na) >> 8;
        return 0xFF000000u | (rb & 0xFF00FFu) | (g & 0xFF00u);
    }
};

} // namespace lang
