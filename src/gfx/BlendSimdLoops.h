#pragma once

// The composition loops written once over a vector type V (see
// BlendSimdSse2.cpp and BlendSimdAvx2.cpp). Included only by those files,
// each of which compiles it for its own instruction set.
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
    typename V::reg maskRB, maskAG, alpha, max255, weightMin, weightFull, word256, word128;
};

template <class V>
Constants<V> makeConstants(const Composition& c) {
    Constants<V> k;
    k.level = V::set32(static_cast<uint32_t>(c.level));
    k.tintRB =
        V::set32((static_cast<uint32_t>(c.tintRed) << 16) | static_cast<uint32_t>(c.tintBlue));
    k.tintAG = V::set32((128u << 16) | static_cast<uint32_t>(c.tintGreen));
    k.maskRB = V::set32(0x00FF00FFu);
    k.maskAG = V::set32(0xFF00FF00u);
    k.alpha = V::set32(0xFF000000u);
    k.max255 = V::set32(0x00FF00FFu);
    k.weightMin = V::set32(128);
    k.weightFull = V::set32(32639);
    k.word256 = V::set32(0x01000100u);
    k.word128 = V::set32(0x00800080u);
    return k;
}

// Both 16-bit halves of each lane set to the lane's low half.
template <class V>
typename V::reg splat16(typename V::reg x) {
    return V::or_(x, V::template slli32<16>(x));
}

// (x * tint) / 128 per word, saturated at 255.
template <class V>
typename V::reg tintWords(typename V::reg x, typename V::reg tint, const Constants<V>& k) {
    return V::min16(V::template srli16<7>(V::mullo16(x, tint)), k.max255);
}

// d + floor(f * (t - d) / 256) per word, for t up to 510 and f up to 256:
// the 32-bit product is rebuilt from its low and high halves.
template <class V>
typename V::reg lerpWide(typename V::reg d, typename V::reg t, typename V::reg f,
                         const Constants<V>& k) {
    typename V::reg diff = V::sub16(t, d);
    typename V::reg lo = V::mullo16(diff, f);
    typename V::reg hi = V::mulhi16(diff, f);
    typename V::reg q = V::or_(V::template srli16<8>(lo), V::template slli16<8>(hi));
    return V::min16(V::add16(d, q), k.max255);
}

template <class V, bool additive, bool tinted, bool targetAlpha, bool halfAlpha>
bool group(typename V::reg s, typename V::reg d, typename V::reg& out, const Constants<V>& k) {
    using R = typename V::reg;
    R w = V::mullo16(V::template srli32<24>(s), k.level);
    R skip = V::cmpgt32(k.weightMin, w);
    if (V::allSet(skip))
        return false;
    R full = V::cmpgt32(w, k.weightFull);

    R sRB = V::and_(s, k.maskRB), sAG = V::template srli16<8>(s);
    R dRB = V::and_(d, k.maskRB), dAG = V::template srli16<8>(d);

    R fullValue;
    if (additive) {
        if (tinted) {
            R rb =
                V::min16(V::add16(dRB, V::template srli16<7>(V::mullo16(sRB, k.tintRB))), k.max255);
            R ag =
                V::min16(V::add16(dAG, V::template srli16<7>(V::mullo16(sAG, k.tintAG))), k.max255);
            fullValue = V::or_(rb, V::template slli16<8>(ag));
        } else {
            fullValue = V::addsu8(d, s);
        }
    } else if (tinted) {
        fullValue = V::or_(tintWords<V>(sRB, k.tintRB, k),
                           V::template slli16<8>(tintWords<V>(sAG, k.tintAG, k)));
    } else {
        fullValue = s;
    }

    R result;
    if (V::allSet(full)) {
        result = fullValue;
    } else {
        R mid;
        R f = splat16<V>(V::template srli32<7>(w));
        if (additive) {
            R mRB = V::template srli16<8>(V::mullo16(sRB, f));
            R mAG = V::template srli16<8>(V::mullo16(sAG, f));
            if (tinted) {
                mRB = V::template srli16<7>(V::mullo16(mRB, k.tintRB));
                mAG = V::template srli16<7>(V::mullo16(mAG, k.tintAG));
            }
            R rb = V::min16(V::add16(dRB, mRB), k.max255);
            R ag = V::min16(V::add16(dAG, mAG), k.max255);
            mid = V::or_(rb, V::template slli16<8>(ag));
        } else if (halfAlpha) {
            // Level 128 onto a target without alpha: factor (a / 2) / 128.
            R g = splat16<V>(V::template srli32<25>(s));
            R inv = V::sub16(k.word128, g);
            R rb = V::add16(V::mullo16(dRB, inv), V::mullo16(sRB, g));
            R ag = V::add16(V::mullo16(dAG, inv), V::mullo16(sAG, g));
            mid = V::or_(V::template srli16<7>(rb), V::and_(V::template slli16<1>(ag), k.maskAG));
        } else if (!tinted) {
            // d + f(s - d)/256 == (d(256 - f) + s f) / 256 exactly, all terms positive.
            R inv = V::sub16(k.word256, f);
            R rb = V::add16(V::mullo16(dRB, inv), V::mullo16(sRB, f));
            R ag = V::add16(V::mullo16(dAG, inv), V::mullo16(sAG, f));
            mid = V::or_(V::template srli16<8>(rb), V::and_(ag, k.maskAG));
        } else if (targetAlpha) {
            R inv = V::sub16(k.word256, f);
            R rb = V::template srli16<8>(V::add16(V::mullo16(dRB, inv), V::mullo16(sRB, f)));
            R ag = V::template srli16<8>(V::add16(V::mullo16(dAG, inv), V::mullo16(sAG, f)));
            mid = V::or_(tintWords<V>(rb, k.tintRB, k),
                         V::template slli16<8>(tintWords<V>(ag, k.tintAG, k)));
        } else {
            // The tinted source is not saturated before the blend.
            R tRB = V::template srli16<7>(V::mullo16(sRB, k.tintRB));
            R tAG = V::template srli16<7>(V::mullo16(sAG, k.tintAG));
            mid = V::or_(lerpWide<V>(dRB, tRB, f, k),
                         V::template slli16<8>(lerpWide<V>(dAG, tAG, f, k)));
        }
        result = V::select(full, fullValue, mid);
    }
    result = V::or_(result, k.alpha);
    if (targetAlpha) {
        R empty = V::cmpeq32(V::template srli32<24>(d), V::zero());
        result = V::select(empty, s, result);
    }
    out = V::select(skip, d, result);
    return true;
}

template <class V>
bool shadowGroup(typename V::reg s, typename V::reg d, typename V::reg& out,
                 const Constants<V>& k) {
    using R = typename V::reg;
    R w = V::mullo16(V::template srli32<24>(s), k.level);
    R skip = V::cmpgt32(V::set32(256), w);
    if (V::allSet(skip))
        return false;
    R f = splat16<V>(V::template srli32<8>(w));
    R dRB = V::and_(d, k.maskRB), dAG = V::template srli16<8>(d);
    R rb = V::sub16(dRB, V::template srli16<8>(V::mullo16(dRB, f)));
    R ag = V::sub16(dAG, V::template srli16<8>(V::mullo16(dAG, f)));
    R result = V::or_(V::or_(rb, V::template slli16<8>(ag)), k.alpha);
    out = V::select(skip, d, result);
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

template <class V, bool additive, bool tinted, bool targetAlpha, bool halfAlpha>
struct GroupFn {
    bool operator()(typename V::reg s, typename V::reg d, typename V::reg& out,
                    const Constants<V>& k) const {
        return group<V, additive, tinted, targetAlpha, halfAlpha>(s, d, out, k);
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
            st.targetHasAlpha ? run<V>(c, GroupFn<V, true, true, true, false>())
                              : run<V>(c, GroupFn<V, true, true, false, false>());
        else
            st.targetHasAlpha ? run<V>(c, GroupFn<V, true, false, true, false>())
                              : run<V>(c, GroupFn<V, true, false, false, false>());
        return;
    }
    if (st.tinted) {
        st.targetHasAlpha ? run<V>(c, GroupFn<V, false, true, true, false>())
                          : run<V>(c, GroupFn<V, false, true, false, false>());
    } else if (st.targetHasAlpha) {
        run<V>(c, GroupFn<V, false, false, true, false>());
    } else if (c.level == 128) {
        run<V>(c, GroupFn<V, false, false, false, true>());
    } else {
        run<V>(c, GroupFn<V, false, false, false, false>());
    }
}

template <class V>
void shadow(const Composition& c) {
    run<V>(c, ShadowFn<V>());
}

} // namespace lang::simdloops
