#pragma once

// The 128-bit vector operations behind the composition loops, for SSE2 and
// for SSSE3 (which adds the byte shuffle that spreads alpha in one step).
// Included only by BlendSimdSse2.cpp and BlendSimdSsse3.cpp, each compiled for
// its own instruction set; the unnamed namespace gives each file its own copy
// so no function built for SSSE3 can stand in for the SSE2 one at link time.

#include <cstdint>
#include <emmintrin.h>
#include <tmmintrin.h>

namespace lang {
namespace {

template <bool ssse3>
struct SseOps {
    using reg = __m128i;
    static constexpr int lanes = 4;

    static reg load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const reg*>(p)); }
    static void store(uint32_t* p, reg v) { _mm_storeu_si128(reinterpret_cast<reg*>(p), v); }
    static reg set32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static reg zero() { return _mm_setzero_si128(); }
    static reg and_(reg a, reg b) { return _mm_and_si128(a, b); }
    // ~a & b
    static reg andnot(reg a, reg b) { return _mm_andnot_si128(a, b); }
    static reg or_(reg a, reg b) { return _mm_or_si128(a, b); }
    template <int n>
    static reg srli32(reg a) {
        return _mm_srli_epi32(a, n);
    }
    template <int n>
    static reg slli32(reg a) {
        return _mm_slli_epi32(a, n);
    }
    template <int n>
    static reg srli16(reg a) {
        return _mm_srli_epi16(a, n);
    }
    template <int n>
    static reg slli16(reg a) {
        return _mm_slli_epi16(a, n);
    }
    static reg add8(reg a, reg b) { return _mm_add_epi8(a, b); }
    static reg add16(reg a, reg b) { return _mm_add_epi16(a, b); }
    static reg sub16(reg a, reg b) { return _mm_sub_epi16(a, b); }
    static reg mullo16(reg a, reg b) { return _mm_mullo_epi16(a, b); }
    static reg mulhi16(reg a, reg b) { return _mm_mulhi_epi16(a, b); }
    static reg mulhiu16(reg a, reg b) { return _mm_mulhi_epu16(a, b); }
    static reg min16(reg a, reg b) { return _mm_min_epi16(a, b); }
    // Each lane's alpha in both of its 16-bit halves.
    static reg alphaWords(reg s) {
        if constexpr (ssse3) {
            const reg spread =
                _mm_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
            return _mm_shuffle_epi8(s, spread);
        } else {
            return _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_srli_epi16(s, 8), 0xF5), 0xF5);
        }
    }
    static reg addsu8(reg a, reg b) { return _mm_adds_epu8(a, b); }
    static reg cmpgt32(reg a, reg b) { return _mm_cmpgt_epi32(a, b); }
    static reg cmpeq32(reg a, reg b) { return _mm_cmpeq_epi32(a, b); }
    static reg cmpeq16(reg a, reg b) { return _mm_cmpeq_epi16(a, b); }
    // The byte blend arrives with SSE4.1, which neither set has.
    static reg select(reg mask, reg a, reg b) {
        return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
    }
    static bool allSet(reg mask) { return _mm_movemask_epi8(mask) == 0xFFFF; }
    // No bit of mask set in x.
    static bool noBits(reg x, reg mask) { return allSet(_mm_cmpeq_epi32(and_(x, mask), zero())); }
};

} // namespace
} // namespace lang
