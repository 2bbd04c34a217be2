#pragma once

namespace ripple {

// With RIPPLE_TRACE_STARTUP set in the environment, prints one line per
// start-up phase to standard error: "startup: <phase> <ms>", the milliseconds
// since the process started. Measuring and tests use it; it costs nothing
// otherwise. Any thread.
void traceStartup(const char* phase);

} // namespace ripple
