#include "app/StartupTrace.h"

#include "platform/Time.h"

#include <cstdio>
#include <cstdlib>

namespace ripple {

void traceStartup(const char* phase) {
    static const bool wanted = std::getenv("RIPPLE_TRACE_STARTUP") != nullptr;
    if (wanted)
        std::fprintf(stderr, "startup: %s %u\n", phase, unsigned(platform::tickCount()));
}

} // namespace ripple
