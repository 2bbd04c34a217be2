// The composition loops on 128-bit vectors with SSSE3's byte shuffle. This
// file is compiled for SSSE3 whatever the build's target; Blend calls into it
// only on a CPU that reports SSSE3.
#include "gfx/BlendSimd.h"

#if defined(__x86_64__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <tmmintrin.h>

// Everything defined from here on may use SSSE3. Headers shared with other
// files are included above, so no inline function of theirs gets compiled
// for SSSE3 here.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif

#include "gfx/BlendSimdLoops.h"
#include "gfx/BlendSimdSseOps.h"

namespace lang {

void BlendSimd::composeSsse3(const Settings& s, const Composition& c) {
    simdloops::compose<SseOps<true>>(s, c);
}

void BlendSimd::shadowSsse3(const Composition& c) {
    simdloops::shadow<SseOps<true>>(c);
}

} // namespace lang

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
