#pragma once

#include "core/Ref.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace lang {
class Event;
}

namespace engine {

// The canvas's queue of input events: the window thread appends, the input
// thread (or a test stepping the canvas) takes them one at a time. Its lock is
// its own and is never held while anything else is locked, so appending never
// waits for a frame or a handler to finish.
class EventQueue {
public:
    EventQueue() = default;
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Appends the event (adding a reference) and wakes the taker. A null event,
    // or any event while the queue is closed, is dropped: false.
    bool post(lang::Event* event);
    // The oldest event, removed from the queue (its reference passes to the
    // caller), or null when the queue is empty.
    lang::Ref<lang::Event> take();
    // Waits while the queue is empty and `stop` is false, waking at least every
    // `sliceMilliseconds` to look again.
    void waitForEvent(const std::atomic<bool>& stop, int sliceMilliseconds);
    // Wakes every waiter, so that one whose stop flag was set leaves its wait.
    void wake();
    // Accepting events (open) or dropping them (closed, the state at creation).
    void open();
    void close();
    // Drops every queued event.
    void clear();
    int size();

private:
    std::mutex lock;
    std::condition_variable notEmpty;
    std::deque<lang::Ref<lang::Event>> events;
    bool accepting = false;
};

} // namespace engine
