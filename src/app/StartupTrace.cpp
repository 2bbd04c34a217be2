#include "app/StartupTrace.h"

#include "platform/Time.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace ripple {

void traceStartup(const char* phase) {
    static const bool wanted = std::getenv("RIPPLE_TRACE_STARTUP") != nullptr;
    if (!wanted)
        return;
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    long long clock = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    std::fprintf(stderr, "startup: %s %u clock=%lld\n", phase, unsigned(platform::tickCount()),
                 clock);
}

void traceFrameStats(int frame, int skipped, int presented, long long pixels, int still) {
    static const bool wanted = std::getenv("RIPPLE_FRAME_STATS") != nullptr;
    if (!wanted)
        return;
    std::fprintf(stderr, "frames: %d skipped %d presented %d pixels %lld still %d\n", frame,
                 skipped, presented, pixels, still);
}

} // namespace ripple
