#pragma once

// The composition loops written once over a vector type V (see
// BlendSimdSse2.cpp, BlendSimdSsse3.cpp and BlendSimdAvx2.cpp). Included only
// by those files, each of which compiles it for its own instruction set.
//
// Pixels stay packed: the red and blue channels are worked on as the two
// 16-bit halves of each 32-bit lane (mask 0x00FF00FF), alpha and green as the
// halves of the lane shifted right by 8. Every product is exact in 16 bits for
// levels up to 128 and tints up to 256.

#include "gfx/BlendSimd.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lang::simdloops {

template <class V>
struct Constants {
    typename V::reg level, tintRB, tintAG;
    typename V::reg maskRB, maskAG, alpha, max255;
    // Below alphaShadow a pixel casts no shadow (a * level against 256).
    typename V::reg alphaShadow;
    // level << 9 (a * level / 128 through a high multiply) and the mask
    // keeping F even.
    typename V::reg level9, evenWeight;
};

static inline int32_t ceilDiv(int32_t a, int32_t b) {
    return (a + b - 1) / b;
}

template <class V>
Constants<V> makeConstants(const Composition& c) {
    Constants<V> k;
    k.level = V::set32((static_cast<uint32_t>(c.level) << 16) | static_cast<uint32_t>(c.level));
    k.tintRB =
        V::set32((static_cast<uint32_t>(c.tintRed) << 16) | static_cast<uint32_t>(c.tintBlue));
    k.tintAG = V::set32((128u << 16) | static_cast<uint32_t>(c.tintGreen));
    k.maskRB = V::set32(0x00FF00FFu);
    k.maskAG = V::set32(0xFF00FF00u);
    k.alpha = V::set32(0xFF000000u);
    k.max255 = V::set32(0x00FF00FFu);
    k.alphaShadow = V::set32(static_cast<uint32_t>(ceilDiv(256, c.level)));
    k.level9 = V::set32(static_cast<uint32_t>(c.level < 128 ? c.level << 9 : 0) * 0x10001u);
    k.evenWeight = V::set32(0x01FE01FEu);
    return k;
}

// (x * tint) / 128 per word, saturated at 255.
template <class V>
typename V::reg tintWords(typename V::reg x, typename V::reg tint, const Constants<V>& k) {
    return V::min16(V::template srli16<7>(V::mullo16(x, tint)), k.max255);
}

// d + floor((t - d) * f / 2^n) per word through one signed high multiply:
// (t - d) << shift stays inside 16 bits and scaled is f << (16 - n - shift).
template <class V, int shift>
typename V::reg lerp(typename V::reg d, typename V::reg t, typename V::reg scaled) {
    return V::add16(d, V::mulhi16(V::template slli16<shift>(V::sub16(t, d)), scaled));
}

// The normal and additive loops have no branch on pixels, and select only for targets with
// alpha: each pixel gets one weight F, 0 when it is skipped (so it keeps its colour) and 256 at
// full weight (so it takes the whole source); the normal rule moves every channel to
// d + floor((s - d) * F / 256).
//   Half:  the untinted normal rule at level 128 onto a target without alpha, F = 2 * (a / 2);
//   Full:  every other rule at level 128, F = a;
//   Level: levels below 128, F = a * level / 128 (nothing reaches full weight there);
// with F = 256 where the level-128 rules meet alpha 255.
enum class Weight { Half, Full, Level };

// The weight F of every pixel in both halves of its lane, and the mask of the
// skipped pixels.
template <class V, Weight weight>
void weights(typename V::reg s, typename V::reg& f, typename V::reg& skip, const Constants<V>& k) {
    typename V::reg a = V::alphaWords(s);
    if (weight == Weight::Level) {
        f = V::mulhiu16(a, k.level9);
        skip = V::cmpeq16(f, V::zero());
    } else {
        f = V::sub16(a, V::cmpeq16(a, k.max255));
        if (weight == Weight::Half)
            f = V::and_(f, k.evenWeight);
        skip = V::cmpeq16(a, V::zero());
    }
}

template <class V, Weight weight, bool tinted, bool targetAlpha>
typename V::reg plainGroup(typename V::reg s, typename V::reg d, const Constants<V>& k) {
    using R = typename V::reg;
    R f, skip;
    weights<V, weight>(s, f, skip, k);
    if (tinted && !targetAlpha) {
        // Blends towards the tinted source, which may reach 510 and is
        // saturated only afterwards: (t - d) << 6 by 4F in a high multiply.
        R f4 = V::template slli16<2>(f);
        R sAG = V::template srli16<8>(s);
        R tRB = V::template srli16<7>(V::mullo16(V::and_(s, k.maskRB), k.tintRB));
        R tAG = V::template srli16<7>(V::mullo16(sAG, k.tintAG));
        R rb = V::min16(lerp<V, 6>(V::and_(d, k.maskRB), tRB, f4), k.max255);
        R ag = V::min16(lerp<V, 6>(V::template srli16<8>(d), tAG, f4), k.max255);
        R result = V::or_(rb, V::template slli16<8>(ag));
        return V::or_(result, V::andnot(skip, k.alpha));
    }
    // Each channel moves by floor((s - d) * F / 256), and that value modulo
    // 256 is the second byte of the low half of (s - d) * F. Added to d byte
    // by byte it gives the exact new channel: the result lies in 0..255, so
    // the wrap-around of the byte addition undoes the modulo.
    R diffRB = V::sub16(V::and_(s, k.maskRB), V::and_(d, k.maskRB));
    R deltaRB = V::template srli16<8>(V::mullo16(diffRB, f));
    R diffAG = V::sub16(V::template srli16<8>(s), V::template srli16<8>(d));
    R deltaAG = V::and_(V::mullo16(diffAG, f), k.maskAG);
    R result = V::add8(d, V::or_(deltaRB, deltaAG));
    if (tinted) {
        // A target with alpha tints the blended pixel, which can change a
        // skipped one: those are kept by selection.
        result =
            V::or_(tintWords<V>(V::and_(result, k.maskRB), k.tintRB, k),
                   V::template slli16<8>(tintWords<V>(V::template srli16<8>(result), k.tintAG, k)));
        result = V::or_(result, k.alpha);
        result = V::select(V::cmpeq32(V::and_(d, k.alpha), V::zero()), s, result);
        return V::select(skip, d, result);
    }
    // A skipped pixel kept its alpha through F = 0; every other one is opaque.
    result = V::or_(result, V::andnot(skip, k.alpha));
    if (targetAlpha) {
        R empty = V::andnot(skip, V::cmpeq32(V::and_(d, k.alpha), V::zero()));
        result = V::select(empty, s, result);
    }
    return result;
}

// The additive rule in the same select-free form: d + F * s / 256 (then
// tinted) with F = 256 for full weight and 0 for a skipped pixel, added with
// saturation.
template <class V, Weight weight, bool tinted, bool targetAlpha>
typename V::reg additivePlainGroup(typename V::reg s, typename V::reg d, const Constants<V>& k) {
    using R = typename V::reg;
    R f, skip;
    weights<V, weight>(s, f, skip, k);
    // F * c / 256 through the unsigned high multiply of c << 8.
    R mRB = V::mulhiu16(V::template slli16<8>(s), f);
    R mAG = V::mulhiu16(V::and_(s, k.maskAG), f);
    if (tinted) {
        mRB = tintWords<V>(mRB, k.tintRB, k);
        mAG = tintWords<V>(mAG, k.tintAG, k);
    }
    R result = V::addsu8(d, V::or_(mRB, V::template slli16<8>(mAG)));
    result = V::or_(result, V::andnot(skip, k.alpha));
    if (targetAlpha) {
        R empty = V::andnot(skip, V::cmpeq32(V::and_(d, k.alpha), V::zero()));
        result = V::select(empty, s, result);
    }
    return result;
}

template <class V, class Group>
void runPlain(const Composition& c, Group group) {
    constexpr int n = V::lanes;
    const Constants<V> k = makeConstants<V>(c);
    const int width = c.width;
    for (int y = 0; y < c.height; ++y) {
        const uint32_t* s = c.src + static_cast<ptrdiff_t>(y) * c.srcStride;
        uint32_t* d = c.dst + static_cast<ptrdiff_t>(y) * c.dstStride;
        // The loop itself has no branch on pixels: a test per vector costs
        // more on mixed pixels than it saves. Sprites are transparent mostly
        // around their shape, so whole transparent vectors are trimmed from
        // both ends of the row instead.
        int x = 0, end = width;
        while (x + n <= end && V::noBits(V::load(s + x), k.alpha))
            x += n;
        while (end - n >= x && V::noBits(V::load(s + end - n), k.alpha))
            end -= n;
        for (; x + n <= end; x += n)
            V::store(d + x, group(V::load(s + x), V::load(d + x), k));
        int rest = end - x;
        if (rest > 0) {
            uint32_t sBuf[n] = {}, dBuf[n] = {};
            std::memcpy(sBuf, s + x, sizeof(uint32_t) * rest);
            std::memcpy(dBuf, d + x, sizeof(uint32_t) * rest);
            V::store(dBuf, group(V::load(sBuf), V::load(dBuf), k));
            std::memcpy(d + x, dBuf, sizeof(uint32_t) * rest);
        }
    }
}

template <class V>
bool shadowGroup(typename V::reg s, typename V::reg d, typename V::reg& out,
                 const Constants<V>& k) {
    using R = typename V::reg;
    R skip = V::cmpgt32(k.alphaShadow, V::template srli32<24>(s));
    if (V::allSet(skip))
        return false;
    // k = a * level / 256 (at most 127), applied as d - k * d / 256.
    R f = V::alphaWords(s);
    f = V::template srli16<8>(V::mullo16(f, k.level));
    R dRB = V::and_(d, k.maskRB), dAG = V::template srli16<8>(d);
    R rb = V::sub16(dRB, V::template srli16<8>(V::mullo16(dRB, f)));
    R ag = V::sub16(dAG, V::template srli16<8>(V::mullo16(dAG, f)));
    out = V::or_(V::or_(rb, V::template slli16<8>(ag)), V::andnot(skip, k.alpha));
    return true;
}

// Runs Group over every row; a row's last few pixels go through a padded
// copy so the tail uses the same arithmetic as the rest.
template <class V, class Group>
void run(const Composition& c, Group groupFn) {
    constexpr int n = V::lanes;
    const Constants<V> k = makeConstants<V>(c);
    for (int y = 0; y < c.height; ++y) {
        const uint32_t* s = c.src + static_cast<ptrdiff_t>(y) * c.srcStride;
        uint32_t* d = c.dst + static_cast<ptrdiff_t>(y) * c.dstStride;
        int x = 0;
        typename V::reg out;
        for (; x + n <= c.width; x += n) {
            if (groupFn(V::load(s + x), V::load(d + x), out, k))
                V::store(d + x, out);
        }
        int rest = c.width - x;
        if (rest > 0) {
            uint32_t sBuf[n] = {}, dBuf[n] = {};
            std::memcpy(sBuf, s + x, sizeof(uint32_t) * rest);
            std::memcpy(dBuf, d + x, sizeof(uint32_t) * rest);
            if (groupFn(V::load(sBuf), V::load(dBuf), out, k)) {
                V::store(dBuf, out);
                std::memcpy(d + x, dBuf, sizeof(uint32_t) * rest);
            }
        }
    }
}

template <class V>
struct ShadowFn {
    bool operator()(typename V::reg s, typename V::reg d, typename V::reg& out,
                    const Constants<V>& k) const {
        return shadowGroup<V>(s, d, out, k);
    }
};

template <class V, Weight weight, bool additive, bool tinted, bool targetAlpha>
struct PlainFn {
    typename V::reg operator()(typename V::reg s, typename V::reg d, const Constants<V>& k) const {
        if (additive)
            return additivePlainGroup<V, weight, tinted, targetAlpha>(s, d, k);
        return plainGroup<V, weight, tinted, targetAlpha>(s, d, k);
    }
};

template <class V, Weight weight, bool additive>
void runWeighted(const BlendSimd::Settings& st, const Composition& c) {
    if (st.tinted)
        st.targetHasAlpha ? runPlain<V>(c, PlainFn<V, weight, additive, true, true>())
                          : runPlain<V>(c, PlainFn<V, weight, additive, true, false>());
    else
        st.targetHasAlpha ? runPlain<V>(c, PlainFn<V, weight, additive, false, true>())
                          : runPlain<V>(c, PlainFn<V, weight, additive, false, false>());
}

template <class V>
void compose(const BlendSimd::Settings& st, const Composition& c) {
    // Level 128 takes the whole alpha as its factor, except for the untinted
    // normal rule onto a target without alpha, which halves it.
    if (c.level < 128) {
        st.additive ? runWeighted<V, Weight::Level, true>(st, c)
                    : runWeighted<V, Weight::Level, false>(st, c);
    } else if (st.additive) {
        runWeighted<V, Weight::Full, true>(st, c);
    } else if (st.tinted || st.targetHasAlpha) {
        runWeighted<V, Weight::Full, false>(st, c);
    } else {
        runPlain<V>(c, PlainFn<V, Weight::Half, false, false, false>());
    }
}

template <class V>
void shadow(const Composition& c) {
    run<V>(c, ShadowFn<V>());
}

} // namespace lang::simdloops
