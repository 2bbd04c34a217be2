#include "engine/InputThread.h"

#include "core/Exception.h"
#include "engine/CanvasLoop.h"
#include "engine/EventQueue.h"
#include "gfx/Event.h"

namespace engine {

InputThread::InputThread(CanvasLoop* canvas) : canvas(canvas) {
    // Last in the constructor of a final class: run() is complete by now.
    start();
}

void InputThread::requestStop() {
    stopRequested.store(true);
    canvas->getEventQueue().wake();
}

bool InputThread::dispatchNext(CanvasLoop& canvas) {
    lang::Ref<lang::Event> event = canvas.getEventQueue().take();
    if (!event)
        return false;
    canvas.dispatchEvent(event.get());
    return true;
}

void InputThread::run() {
    runningOn.store(std::this_thread::get_id());
    EventQueue& queue = canvas->getEventQueue();
    while (!stopRequested.load()) {
        // A handler's failure costs its event, never the thread: the game
        // keeps taking input.
        try {
            lang::Ref<lang::Exception> error = lang::tryCatch([&] {
                dispatchNext(*canvas);
                queue.waitForEvent(stopRequested, waitSliceMilliseconds);
            });
        } catch (...) {
            // Deliberately dropped, as above: any other exception type too.
        }
    }
    queue.clear();
    runningOn.store(std::thread::id());
    clearStarted();
}

} // namespace engine
