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
    // Alpha thresholds: below alphaMin a pixel is invisible, above alphaFull
    // it is fully opaque (a * level against 128 and 32,640).
    typename V::reg alphaMin, alphaFull, alphaShadow;
    // The untinted loops: level << 9 (a * level / 128 through a high
    // multiply) and the mask keeping F even.
    typename V::reg level9, evenWeight;
    bool level128;
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
    k.alphaMin = V::set32(static_cast<uint32_t>(ceilDiv(128, c.level)));
    k.alphaFull = V::set32(static_cast<uint32_t>(ceilDiv(32640, c.level) - 1));
    k.alphaShadow = V::set32(static_cast<uint32_t>(ceilDiv(256, c.level)));
    k.level9 = V::set32(static_cast<uint32_t>(c.level < 128 ? c.level << 9 : 0) * 0x10001u);
    k.evenWeight = V::set32(0x01FE01FEu);
    k.level128 = c.level == 128;
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

template <class V, bool additive, bool tinted, bool targetAlpha>
bool group(typename V::reg s, typename V::reg d, typename V::reg& out, const Constants<V>& k) {
    using R = typename V::reg;
    R a = V::template srli32<24>(s);
    R skip = V::cmpgt32(k.alphaMin, a);
    if (V::allSet(skip))
        return false;
    R full = V::cmpgt32(a, k.alphaFull);
    bool allFull = V::allSet(full);
    R sAG = V::template srli16<8>(s);

    R fullValue;
    if (additive) {
        if (tinted) {
            R rb = tintWords<V>(V::and_(s, k.maskRB), k.tintRB, k);
            R ag = tintWords<V>(sAG, k.tintAG, k);
            fullValue = V::addsu8(d, V::or_(rb, V::template slli16<8>(ag)));
        } else {
            fullValue = V::addsu8(d, s);
        }
    } else if (tinted) {
        R rb = tintWords<V>(V::and_(s, k.maskRB), k.tintRB, k);
        R ag = tintWords<V>(sAG, k.tintAG, k);
        fullValue = V::or_(rb, V::template slli16<8>(ag));
    } else {
        fullValue = s;
    }

    R result;
    if (allFull) {
        result = fullValue;
    } else {
        // The factor f = a * level / 128 in both halves of each lane.
        R f = V::alphaWords(s);
        if (!k.level128)
            f = V::template srli16<7>(V::mullo16(f, k.level));
        R mid;
        if (additive) {
            // f * c / 256 through the unsigned high multiply of c << 8.
            R mRB = V::mulhiu16(V::template slli16<8>(s), f);
            R mAG = V::mulhiu16(V::and_(s, k.maskAG), f);
            if (tinted) {
                mRB = tintWords<V>(mRB, k.tintRB, k);
                mAG = tintWords<V>(mAG, k.tintAG, k);
            }
            mid = V::addsu8(d, V::or_(mRB, V::template slli16<8>(mAG)));
        } else {
            R sRB = V::and_(s, k.maskRB);
            R dRB = V::and_(d, k.maskRB), dAG = V::template srli16<8>(d);
            R rb, ag;
            if (!tinted || targetAlpha) {
                R f2 = V::add16(f, f);
                rb = lerp<V, 7>(dRB, sRB, f2);
                ag = lerp<V, 7>(dAG, sAG, f2);
                if (tinted) {
                    rb = tintWords<V>(rb, k.tintRB, k);
                    ag = tintWords<V>(ag, k.tintAG, k);
                }
            } else {
                // The tinted source (up to 510) is not saturated before the blend.
                R f4 = V::template slli16<2>(f);
                R tRB = V::template srli16<7>(V::mullo16(sRB, k.tintRB));
                R tAG = V::template srli16<7>(V::mullo16(sAG, k.tintAG));
                rb = V::min16(lerp<V, 6>(dRB, tRB, f4), k.max255);
                ag = V::min16(lerp<V, 6>(dAG, tAG, f4), k.max255);
            }
            mid = V::or_(rb, V::template slli16<8>(ag));
        }
        result = V::select(full, fullValue, mid);
    }
    if (tinted && targetAlpha && !additive) {
        // Tinting would change a skipped pixel: keep those by selection.
        result = V::or_(result, k.alpha);
        R empty = V::cmpeq32(V::template srli32<24>(d), V::zero());
        result = V::select(empty, s, result);
        out = V::select(skip, d, result);
        return true;
    }
    // Every other rule has a factor of 0 on skipped pixels and so leaves
    // their colour as it was; only the opaque alpha must spare them.
    result = V::or_(result, V::andnot(skip, k.alpha));
    if (targetAlpha) {
        R empty = V::andnot(skip, V::cmpeq32(V::template srli32<24>(d), V::zero()));
        result = V::select(empty, s, result);
    }
    out = result;
    return true;
}

// The untinted normal rule, the loop every plain sprite goes through. It works
// without any select: every colour channel becomes d + floor((s - d) * F / 256)
// with one weight F per pixel that is 0 for a skipped pixel (so it keeps its
// colour) and 256 for an opaque one (so it becomes the source):
//   Half:  level 128 onto a target without alpha, F = 2 * (a / 2);
//   Full:  level 128 onto a target with alpha, F = a;
//   Level: levels below 128, F = a * level / 128 (no pixel is opaque there);
// with F = 256 where the level-128 rules meet alpha 255.
enum class Weight { Half, Full, Level };

template <class V, Weight weight, bool targetAlpha>
typename V::reg plainGroup(typename V::reg s, typename V::reg d, const Constants<V>& k) {
    using R = typename V::reg;
    R a = V::alphaWords(s);
    R f, skip;
    if (weight == Weight::Level) {
        f = V::mulhiu16(a, k.level9);
        skip = V::cmpeq16(f, V::zero());
    } else {
        f = V::sub16(a, V::cmpeq16(a, k.max255));
        if (weight == Weight::Half)
            f = V::and_(f, k.evenWeight);
        skip = V::cmpeq16(a, V::zero());
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
    // A skipped pixel kept its alpha through F = 0; every other one is opaque.
    result = V::or_(result, V::andnot(skip, k.alpha));
    if (targetAlpha) {
        R empty = V::andnot(skip, V::cmpeq32(V::and_(d, k.alpha), V::zero()));
        result = V::select(empty, s, result);
    }
    return result;
}

template <class V, Weight weight, bool targetAlpha>
void runPlain(const Composition& c) {
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
            V::store(d + x, plainGroup<V, weight, targetAlpha>(V::load(s + x), V::load(d + x), k));
        int rest = end - x;
        if (rest > 0) {
            uint32_t sBuf[n] = {}, dBuf[n] = {};
            std::memcpy(sBuf, s + x, sizeof(uint32_t) * rest);
            std::memcpy(dBuf, d + x, sizeof(uint32_t) * rest);
            V::store(dBuf, plainGroup<V, weight, targetAlpha>(V::load(sBuf), V::load(dBuf), k));
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

template <class V, bool additive, bool tinted, bool targetAlpha>
struct GroupFn {
    bool operator()(typename V::reg s, typename V::reg d, typename V::reg& out,
                    const Constants<V>& k) const {
        return group<V, additive, tinted, targetAlpha>(s, d, out, k);
    }
};

template <class V>
struct ShadowFn {
    bool operator()(typename V::reg s, typename V::reg d, typename V::reg& out,
                    const Constants<V>& k) const {
        return shadowGroup<V>(s, d, out, k);
    }
};

template <class V>
void compose(const BlendSimd::Settings& st, const Composition& c) {
    if (st.additive) {
        if (st.tinted)
            st.targetHasAlpha ? run<V>(c, GroupFn<V, true, true, true>())
                              : run<V>(c, GroupFn<V, true, true, false>());
        else
            st.targetHasAlpha ? run<V>(c, GroupFn<V, true, false, true>())
                              : run<V>(c, GroupFn<V, true, false, false>());
        return;
    }
    if (st.tinted) {
        st.targetHasAlpha ? run<V>(c, GroupFn<V, false, true, true>())
                          : run<V>(c, GroupFn<V, false, true, false>());
    } else if (c.level < 128) {
        st.targetHasAlpha ? runPlain<V, Weight::Level, true>(c)
                          : runPlain<V, Weight::Level, false>(c);
    } else if (st.targetHasAlpha) {
        runPlain<V, Weight::Full, true>(c);
    } else {
        runPlain<V, Weight::Half, false>(c);
    }
}

template <class V>
void shadow(const Composition& c) {
    run<V>(c, ShadowFn<V>());
}

} // namespace lang::simdloops
