#pragma once

namespace ripple {

// With RIPPLE_TRACE_STARTUP set in the environment, prints one line per
// start-up phase to standard error: "startup: <phase> <ms> clock=<us>", the
// milliseconds since the process started and the monotonic clock in
// microseconds, by which a timing script that started the process measures
// from its exec. It costs nothing otherwise. Any thread.
void traceStartup(const char* phase);

} // namespace ripple
