#include "gfx/Blend.h"

#include "gfx/BlendSimd.h"

#include <algorithm>
#include <cstddef>

namespace lang {

namespace {

constexpr int maxLevel = 65536;
constexpr int maxTint = 32768;
// a x level at or above this is full opacity (255 x 128 - the highest weight
// a level of 128 can give).
constexpr int fullWeight = 32640;
// Below this weight a pixel is invisible (its factor w / 128 would be 0).
constexpr int minWeight = 128;

inline int clampChannel(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline int channel(uint32_t p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}

inline uint32_t pack(int r, int g, int b) {
    return 0xFF000000u | (static_cast<uint32_t>(clampChannel(r)) << 16) |
           (static_cast<uint32_t>(clampChannel(g)) << 8) | static_cast<uint32_t>(clampChannel(b));
}

struct Tint {
    int r, g, b;
};

// The normal rule. The template flags pick one loop per combination so the
// per-pixel work carries no tests of settings.
template <bool tinted, bool targetAlpha, bool level128>
void normalLoop(const Composition& c, Tint t) {
    const int level = c.level;
    for (int y = 0; y < c.height; ++y) {
        const uint32_t* s = c.src + static_cast<ptrdiff_t>(y) * c.srcStride;
        uint32_t* d = c.dst + static_cast<ptrdiff_t>(y) * c.dstStride;
        for (int x = 0; x < c.width; ++x) {
            uint32_t sp = s[x];
            int a = static_cast<int>(sp >> 24);
            if (a == 0)
                continue;
            int w = a * level;
            if (w < minWeight)
                continue;
            uint32_t dp = d[x];
            if (targetAlpha && (dp >> 24) == 0) {
                d[x] = sp;
                continue;
            }
            int sr = channel(sp, 16), sg = channel(sp, 8), sb = channel(sp, 0);
            if (w >= fullWeight) {
                if (tinted)
                    d[x] = pack((sr * t.r) >> 7, (sg * t.g) >> 7, (sb * t.b) >> 7);
                else
                    d[x] = sp | 0xFF000000u;
                continue;
            }
            int dr = channel(dp, 16), dg = channel(dp, 8), db = channel(dp, 0);
            int f = w >> 7;
            if (!tinted && !targetAlpha && level128) {
                int g = a >> 1;
                d[x] = pack(dr + (((sr - dr) * g) >> 7), dg + (((sg - dg) * g) >> 7),
                            db + (((sb - db) * g) >> 7));
            } else if (!tinted) {
                d[x] = pack(dr + (((sr - dr) * f) >> 8), dg + (((sg - dg) * f) >> 8),
                            db + (((sb - db) * f) >> 8));
            } else if (targetAlpha) {
                d[x] = pack(((dr + (((sr - dr) * f) >> 8)) * t.r) >> 7,
                            ((dg + (((sg - dg) * f) >> 8)) * t.g) >> 7,
                            ((db + (((sb - db) * f) >> 8)) * t.b) >> 7);
            } else {
                int tr = (sr * t.r) >> 7, tg = (sg * t.g) >> 7, tb = (sb * t.b) >> 7;
                d[x] = pack(dr + (((tr - dr) * f) >> 8), dg + (((tg - dg) * f) >> 8),
                            db + (((tb - db) * f) >> 8));
            }
        }
    }
}

template <bool tinted, bool targetAlpha>
void additiveLoop(const Composition& c, Tint t) {
    const int level = c.level;
    for (int y = 0; y < c.height; ++y) {
        const uint32_t* s = c.src + static_cast<ptrdiff_t>(y) * c.srcStride;
        uint32_t* d = c.dst + static_cast<ptrdiff_t>(y) * c.dstStride;
        for (int x = 0; x < c.width; ++x) {
            uint32_t sp = s[x];
            int a = static_cast<int>(sp >> 24);
            if (a == 0)
                continue;
            int w = a * level;
            if (w < minWeight)
                continue;
            uint32_t dp = d[x];
            if (targetAlpha && (dp >> 24) == 0) {
                d[x] = sp;
                continue;
            }
            int sr = channel(sp, 16), sg = channel(sp, 8), sb = channel(sp, 0);
            int dr = channel(dp, 16), dg = channel(dp, 8), db = channel(dp, 0);
            if (w >= fullWeight) {
                if (tinted)
                    d[x] = pack(dr + ((sr * t.r) >> 7), dg + ((sg * t.g) >> 7),
                                db + ((sb * t.b) >> 7));
                else
                    d[x] = pack(dr + sr, dg + sg, db + sb);
                continue;
            }
            int f = w >> 7;
            if (tinted)
                d[x] =
                    pack(dr + ((t.r * ((f * sr) >> 8)) >> 7), dg + ((t.g * ((f * sg) >> 8)) >> 7),
                         db + ((t.b * ((f * sb) >> 8)) >> 7));
            else
                d[x] = pack(dr + ((f * sr) >> 8), dg + ((f * sg) >> 8), db + ((f * sb) >> 8));
        }
    }
}

void shadowLoop(const Composition& c) {
    const int level = c.level;
    for (int y = 0; y < c.height; ++y) {
        const uint32_t* s = c.src + static_cast<ptrdiff_t>(y) * c.srcStride;
        uint32_t* d = c.dst + static_cast<ptrdiff_t>(y) * c.dstStride;
        for (int x = 0; x < c.width; ++x) {
            int a = static_cast<int>(s[x] >> 24);
            if (a == 0)
                continue;
            int w = a * level;
            if (w < 256)
                continue;
            int k = w >> 8;
            uint32_t dp = d[x];
            int dr = channel(dp, 16), dg = channel(dp, 8), db = channel(dp, 0);
            d[x] = pack(dr - ((k * dr) >> 8), dg - ((k * dg) >> 8), db - ((k * db) >> 8));
        }
    }
}

// Clamps the settings into the range the loops are exact for; false when
// nothing can be drawn.
bool normalise(const Composition& in, Composition& out) {
    if (!in.src || !in.dst || in.width <= 0 || in.height <= 0)
        return false;
    out = in;
    out.level = std::clamp(in.level, 0, maxLevel);
    out.tintRed = std::clamp(in.tintRed, 0, maxTint);
    out.tintGreen = std::clamp(in.tintGreen, 0, maxTint);
    out.tintBlue = std::clamp(in.tintBlue, 0, maxTint);
    return out.level > 0;
}

bool isTinted(const Composition& c) {
    return c.tintRed != 128 || c.tintGreen != 128 || c.tintBlue != 128;
}

void composeScalar(Blend::Mode mode, const Composition& c) {
    Tint t{c.tintRed, c.tintGreen, c.tintBlue};
    bool tinted = isTinted(c);
    if (mode == Blend::Additive) {
        if (tinted)
            c.targetHasAlpha ? additiveLoop<true, true>(c, t) : additiveLoop<true, false>(c, t);
        else
            c.targetHasAlpha ? additiveLoop<false, true>(c, t) : additiveLoop<false, false>(c, t);
        return;
    }
    if (tinted) {
        c.targetHasAlpha ? normalLoop<true, true, false>(c, t)
                         : normalLoop<true, false, false>(c, t);
    } else if (c.targetHasAlpha) {
        normalLoop<false, true, false>(c, t);
    } else if (c.level == 128) {
        normalLoop<false, false, true>(c, t);
    } else {
        normalLoop<false, false, false>(c, t);
    }
}

// The vector loops are exact for levels up to 128 and tints up to 256; other
// settings take the scalar loop.
bool vectorSettings(const Composition& c) {
    return c.level <= 128 && c.tintRed <= 256 && c.tintGreen <= 256 && c.tintBlue <= 256;
}

bool cpuHas(Blend::Isa isa) {
#if defined(__x86_64__)
    if (isa == Blend::Sse2)
        return true;
    __builtin_cpu_init();
    if (isa == Blend::Ssse3)
        return __builtin_cpu_supports("ssse3");
    if (isa == Blend::Avx2)
        return __builtin_cpu_supports("avx2");
#endif
    return isa == Blend::Scalar;
}

} // namespace

bool Blend::isaAvailable(Isa isa) {
    return cpuHas(isa);
}

Blend::Isa Blend::bestIsa() {
    static const Isa best = [] {
        for (Isa isa : {Avx2, Ssse3, Sse2})
            if (cpuHas(isa))
                return isa;
        return Scalar;
    }();
    return best;
}

void Blend::compose(Mode mode, const Composition& c) {
    composeWith(bestIsa(), mode, c);
}

void Blend::shadow(const Composition& c) {
    shadowWith(bestIsa(), c);
}

void Blend::composeWith(Isa isa, Mode mode, const Composition& in) {
    Composition c;
    if (!normalise(in, c))
        return;
    if (isa != Scalar && isaAvailable(isa) && vectorSettings(c)) {
        BlendSimd::Settings s{mode == Additive, isTinted(c), c.targetHasAlpha};
#if defined(__x86_64__)
        if (isa == Avx2) {
            BlendSimd::composeAvx2(s, c);
            return;
        }
        if (isa == Ssse3) {
            BlendSimd::composeSsse3(s, c);
            return;
        }
        if (isa == Sse2) {
            BlendSimd::composeSse2(s, c);
            return;
        }
#else
        (void)s;
#endif
    }
    composeScalar(mode, c);
}

void Blend::shadowWith(Isa isa, const Composition& in) {
    Composition c;
    if (!normalise(in, c))
        return;
#if defined(__x86_64__)
    if (isa != Scalar && isaAvailable(isa) && vectorSettings(c)) {
        if (isa == Avx2) {
            BlendSimd::shadowAvx2(c);
            return;
        }
        if (isa == Ssse3) {
            BlendSimd::shadowSsse3(c);
            return;
        }
        if (isa == Sse2) {
            BlendSimd::shadowSse2(c);
            return;
        }
    }
#else
    (void)isa;
#endif
    shadowLoop(c);
}

} // namespace lang
