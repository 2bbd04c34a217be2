#pragma once

#include "core/Thread.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

class CanvasLoop;
class FrameClock;

// Paces the canvas's frames: each frame it updates the canvas and paints the
// changed region, under the canvas lock. Frames are due at fixed times from
// the start of the run (frame period x frames), so the game clock keeps its
// rate over any length of time. A frame found more than 39 ms late is not
// painted (at most two in a row, and only while skipping is allowed), so the
// game catches up instead of slowing down; more than 100 ms late gives up
// catching up and starts the schedule afresh.
class RenderThread final : public lang::Thread {
    LANG_CLASS(RenderThread, lang::Thread);

    static constexpr int skipLateness = 39;
    static constexpr int maxSkippedInARow = 2;
    static constexpr int rebaseLateness = 100;

    // `canvas` is not counted (the canvas owns its threads); `clock` paces the
    // frames. Starts at construction.
    RenderThread(CanvasLoop* canvas, std::shared_ptr<FrameClock> clock);

    // Any thread: the loop ends after the frame under way, without waiting
    // out the rest of its period.
    void requestStop();
    bool isStopRequested() const { return stopRequested.load(); }
    bool isCurrentThread() const { return runningOn.load() == std::this_thread::get_id(); }

    void run() override;

private:
    // Sleeps until `due` on the clock or a stop request.
    void sleepUntil(int64_t due);

    CanvasLoop* canvas;
    std::shared_ptr<FrameClock> clock;
    std::mutex wakeLock;
    std::condition_variable wakeUp;
    std::atomic<bool> stopRequested{false};
    std::atomic<std::thread::id> runningOn{};
};

} // namespace engine
