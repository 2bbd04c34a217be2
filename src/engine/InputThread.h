#pragma once

#include "core/Thread.h"

#include <atomic>
#include <thread>

namespace engine {

class CanvasLoop;

// Takes the canvas's queued events one at a time and dispatches them, outside
// the canvas lock. Starts at construction; ends once stop is requested, and
// empties the queue as it goes.
class InputThread final : public lang::Thread {
    LANG_CLASS(InputThread, lang::Thread);

    // A queue waits at most this long at a time before looking again.
    static constexpr int waitSliceMilliseconds = 3000;

    // `canvas` is not counted: the canvas owns its threads and outlives them.
    explicit InputThread(CanvasLoop* canvas);

    // Any thread: the loop ends after the event being dispatched.
    void requestStop();
    bool isStopRequested() const { return stopRequested.load(); }
    // True on the thread this object runs.
    bool isCurrentThread() const { return runningOn.load() == std::this_thread::get_id(); }

    // Takes one event from the canvas's queue and dispatches it on the calling
    // thread; false when the queue was empty. The input thread's own step,
    // and what a canvas stepped without threads runs for its events.
    static bool dispatchNext(CanvasLoop& canvas);

    void run() override;

private:
    CanvasLoop* canvas;
    std::atomic<bool> stopRequested{false};
    std::atomic<std::thread::id> runningOn{};
};

} // namespace engine
