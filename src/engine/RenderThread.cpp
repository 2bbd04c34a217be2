#include "engine/RenderThread.h"

#include "core/Exception.h"
#include "engine/CanvasLoop.h"
#include "engine/FrameClock.h"

#include <algorithm>

namespace engine {

RenderThread::RenderThread(CanvasLoop* canvas, std::shared_ptr<FrameClock> clock)
    : canvas(canvas), clock(clock ? std::move(clock) : FrameClock::steady()) {
    // Last in the constructor of a final class: run() is complete by now.
    start();
}

void RenderThread::requestStop() {
    {
        std::lock_guard<std::mutex> guard(wakeLock);
        stopRequested.store(true);
    }
    wakeUp.notify_all();
}

void RenderThread::sleepUntil(int64_t due) {
    std::unique_lock<std::mutex> guard(wakeLock);
    wakeUp.wait_until(guard, clock->deadline(due), [this] { return stopRequested.load(); });
}

void RenderThread::run() {
    runningOn.store(std::this_thread::get_id());
    canvas->framesPaced(true);
    int64_t start = clock->now();
    int64_t frames = 0;
    int skipped = 0;
    while (!stopRequested.load()) {
        int64_t period = std::max(canvas->getFramePeriod(), 1);
        int64_t wait = 0;
        bool failed = true;
        // A failing frame is dropped, never the thread: the game keeps running.
        try {
            lang::Ref<lang::Exception> error = lang::tryCatch([&] {
                lang::Synchronized guard(&canvas->frameLock());
                canvas->updateFrame();
                ++frames;
                int64_t now = clock->now();
                wait = period * frames + start - now;
                if (wait < -skipLateness && canvas->isFrameSkipAllowed() &&
                    skipped < maxSkippedInARow) {
                    ++skipped;
                    canvas->frameSkipped();
                    if (wait < -rebaseLateness)
                        start = now - period * frames;
                } else {
                    canvas->paintFrame();
                    skipped = 0;
                }
                failed = false;
            });
        } catch (...) {
            // Deliberately dropped, as above: any other exception type too.
        }
        if (failed)
            sleepUntil(clock->now() + period);
        else if (wait > 0)
            sleepUntil(start + period * frames);
        else
            // Behind schedule: let a thread waiting for the canvas lock (the
            // input thread) have it before the next frame takes it again.
            std::this_thread::yield();
    }
    canvas->framesPaced(false);
    runningOn.store(std::thread::id());
    clearStarted();
}

} // namespace engine
