#pragma once

namespace ripple {

// With RIPPLE_TRACE_STARTUP set in the environment, prints one line per
// start-up phase to standard error: "startup: <phase> <ms> clock=<us>", the
// milliseconds since the process started and the monotonic clock in
// microseconds, by which a timing script that started the process measures
// from its exec. It costs nothing otherwise. Any thread.
void traceStartup(const char* phase);

// With RIPPLE_FRAME_STATS set, prints "frames: <frame> skipped <n> presented
// <n> pixels <n> still <n>" to standard error: totals since the canvas started
// of the frames the render thread skipped to keep its schedule, of those that
// brought a change to the window, of the pixels those changes covered and of
// the still frames (which updated only the sprites that were not settled).
// A measuring script takes the difference of two lines. The canvas calls it
// once a second of frames; it costs nothing otherwise. Any thread.
void traceFrameStats(int frame, int skipped, int presented, long long pixels, int still);

} // namespace ripple
