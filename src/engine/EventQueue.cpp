#include "engine/EventQueue.h"

#include "gfx/Event.h"

#include <chrono>

namespace engine {

bool EventQueue::post(lang::Event* event) {
    if (!event)
        return false;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!accepting)
            return false;
        events.emplace_back(event);
    }
    notEmpty.notify_all();
    return true;
}

lang::Ref<lang::Event> EventQueue::take() {
    std::lock_guard<std::mutex> guard(lock);
    if (events.empty())
        return nullptr;
    lang::Ref<lang::Event> first = std::move(events.front());
    events.pop_front();
    return first;
}

void EventQueue::waitForEvent(const std::atomic<bool>& stop, int sliceMilliseconds) {
    std::unique_lock<std::mutex> guard(lock);
    while (events.empty() && !stop.load())
        notEmpty.wait_for(guard, std::chrono::milliseconds(sliceMilliseconds));
}

void EventQueue::wake() {
    // Taking the lock orders the waker's flag before the waiter's next look.
    { std::lock_guard<std::mutex> guard(lock); }
    notEmpty.notify_all();
}

void EventQueue::open() {
    std::lock_guard<std::mutex> guard(lock);
    accepting = true;
}

void EventQueue::close() {
    std::lock_guard<std::mutex> guard(lock);
    accepting = false;
}

void EventQueue::clear() {
    std::deque<lang::Ref<lang::Event>> dropped;
    {
        std::lock_guard<std::mutex> guard(lock);
        dropped.swap(events);
    }
    // Released outside the lock: an event's last release may run anything.
}

int EventQueue::size() {
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<int>(events.size());
}

} // namespace engine
