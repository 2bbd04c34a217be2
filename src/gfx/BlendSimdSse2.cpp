// The composition loops on 128-bit SSE2 vectors (every x86-64 has them).
#include "gfx/BlendSimd.h"

#if defined(__x86_64__)

#include "gfx/BlendSimdLoops.h"
#include "gfx/BlendSimdSseOps.h"

namespace lang {

void BlendSimd::composeSse2(const Settings& s, const Composition& c) {
    simdloops::compose<SseOps<false>>(s, c);
}

void BlendSimd::shadowSse2(const Composition& c) {
    simdloops::shadow<SseOps<false>>(c);
}

} // namespace lang

#endif
