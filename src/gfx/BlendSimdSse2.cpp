// The composition loops on 128-bit SSE2 vectors (every x86-64 has them).
#include "gfx/BlendSimd.h"

#if defined(__x86_64__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

#include "gfx/BlendSimdLoops.h"

namespace lang {

namespace {

struct Sse2Ops {
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
    static reg add16(reg a, reg b) { return _mm_add_epi16(a, b); }
    static reg sub16(reg a, reg b) { return _mm_sub_epi16(a, b); }
    static reg mullo16(reg a, reg b) { return _mm_mullo_epi16(a, b); }
    static reg mulhi16(reg a, reg b) { return _mm_mulhi_epi16(a, b); }
    static reg mulhiu16(reg a, reg b) { return _mm_mulhi_epu16(a, b); }
    static reg min16(reg a, reg b) { return _mm_min_epi16(a, b); }
    // Each lane's alpha in both of its 16-bit halves, from s >> 8 per word.
    static reg alphaWords(reg, reg ag) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(ag, 0xF5), 0xF5);
    }
    static reg addsu8(reg a, reg b) { return _mm_adds_epu8(a, b); }
    static reg cmpgt32(reg a, reg b) { return _mm_cmpgt_epi32(a, b); }
    static reg cmpeq32(reg a, reg b) { return _mm_cmpeq_epi32(a, b); }
    static reg select(reg mask, reg a, reg b) {
        return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
    }
    static bool allSet(reg mask) { return _mm_movemask_epi8(mask) == 0xFFFF; }
};

} // namespace

void BlendSimd::composeSse2(const Settings& s, const Composition& c) {
    simdloops::compose<Sse2Ops>(s, c);
}

void BlendSimd::shadowSse2(const Composition& c) {
    simdloops::shadow<Sse2Ops>(c);
}

} // namespace lang

#endif
