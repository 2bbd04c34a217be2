// The composition loops on 256-bit AVX2 vectors. This file is compiled for
// AVX2 whatever the build's target; Blend calls into it only on a CPU that
// reports AVX2.
#include "gfx/BlendSimd.h"

#if defined(__x86_64__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

// Everything defined from here on may use AVX2. Headers shared with other
// files are included above, so no inline function of theirs gets compiled
// for AVX2 here.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "gfx/BlendSimdLoops.h"

namespace lang {

namespace {

struct Avx2Ops {
    using reg = __m256i;
    static constexpr int lanes = 8;

    static reg load(const uint32_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const reg*>(p));
    }
    static void store(uint32_t* p, reg v) { _mm256_storeu_si256(reinterpret_cast<reg*>(p), v); }
    static reg set32(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static reg zero() { return _mm256_setzero_si256(); }
    static reg and_(reg a, reg b) { return _mm256_and_si256(a, b); }
    // ~a & b
    static reg andnot(reg a, reg b) { return _mm256_andnot_si256(a, b); }
    static reg or_(reg a, reg b) { return _mm256_or_si256(a, b); }
    template <int n>
    static reg srli32(reg a) {
        return _mm256_srli_epi32(a, n);
    }
    template <int n>
    static reg slli32(reg a) {
        return _mm256_slli_epi32(a, n);
    }
    template <int n>
    static reg srli16(reg a) {
        return _mm256_srli_epi16(a, n);
    }
    template <int n>
    static reg slli16(reg a) {
        return _mm256_slli_epi16(a, n);
    }
    static reg add8(reg a, reg b) { return _mm256_add_epi8(a, b); }
    static reg add16(reg a, reg b) { return _mm256_add_epi16(a, b); }
    static reg sub16(reg a, reg b) { return _mm256_sub_epi16(a, b); }
    static reg mullo16(reg a, reg b) { return _mm256_mullo_epi16(a, b); }
    static reg mulhi16(reg a, reg b) { return _mm256_mulhi_epi16(a, b); }
    static reg mulhiu16(reg a, reg b) { return _mm256_mulhi_epu16(a, b); }
    static reg min16(reg a, reg b) { return _mm256_min_epi16(a, b); }
    // Each lane's alpha in both of its 16-bit halves.
    static reg alphaWords(reg s) {
        const reg spread =
            _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3, -1, 3,
                             -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
        return _mm256_shuffle_epi8(s, spread);
    }
    static reg addsu8(reg a, reg b) { return _mm256_adds_epu8(a, b); }
    static reg cmpgt32(reg a, reg b) { return _mm256_cmpgt_epi32(a, b); }
    static reg cmpeq32(reg a, reg b) { return _mm256_cmpeq_epi32(a, b); }
    static reg select(reg mask, reg a, reg b) { return _mm256_blendv_epi8(b, a, mask); }
    static bool allSet(reg mask) { return _mm256_movemask_epi8(mask) == -1; }
    static reg cmpeq16(reg a, reg b) { return _mm256_cmpeq_epi16(a, b); }
    // No bit of mask set in x.
    static bool noBits(reg x, reg mask) { return _mm256_testz_si256(x, mask); }
};

} // namespace

void BlendSimd::composeAvx2(const Settings& s, const Composition& c) {
    simdloops::compose<Avx2Ops>(s, c);
}

void BlendSimd::shadowAvx2(const Composition& c) {
    simdloops::shadow<Avx2Ops>(c);
}

} // namespace lang

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
