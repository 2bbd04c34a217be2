#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace engine {

// The clock the render thread paces frames by. The game's clock is the steady
// one; tests put in a clock of their own to make frames late at will.
class FrameClock {
public:
    virtual ~FrameClock() = default;
    // Milliseconds on a monotonic scale with any origin.
    virtual int64_t now() = 0;
    // The real time at which `due` (a value of now()) is reached; the render
    // thread sleeps until then unless it is asked to stop.
    virtual std::chrono::steady_clock::time_point deadline(int64_t due) = 0;

    // The monotonic system clock: sleeping until the due time of each frame,
    // computed from the start of the run, so frames never drift.
    static std::shared_ptr<FrameClock> steady();
};

} // namespace engine
