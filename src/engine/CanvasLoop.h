#pragma once

#include <atomic>
#include <memory>

namespace lang {
class Event;
class Object;
} // namespace lang

namespace engine {

class EventQueue;

// What the render and input threads need of the canvas they serve. The canvas
// lives in the application layer; the threads reach it only through this, so
// the engine never depends on the layer above it.
class CanvasLoop {
public:
    // The canvas lock: the render thread holds it across one update and the
    // paint that follows.
    virtual const lang::Object& frameLock() const = 0;
    // Advances the frame: timers, sprite updates, scene removals, the counter.
    virtual void updateFrame() = 0;
    // Brings the changed region to the window.
    virtual void paintFrame() = 0;
    // Milliseconds per frame; read every frame, so a change applies at once.
    virtual int getFramePeriod() const = 0;
    virtual bool isFrameSkipAllowed() const = 0;
    // The render thread updated this frame but did not paint it, to catch up
    // with its schedule.
    virtual void frameSkipped() {}
    // The render thread starts (true) or stops (false) pacing frames on the
    // calling thread.
    virtual void framesPaced(bool) {}
    virtual EventQueue& getEventQueue() = 0;
    // Dispatches one event taken from the queue, on the calling thread and
    // without the canvas lock.
    virtual void dispatchEvent(lang::Event* event) = 0;

    // Raised from the moment the canvas starts stopping until it starts
    // again. A thread of the canvas that waits long (a network request)
    // watches it and gives up, so closing never waits for a slow server.
    // Shared, so a holder may outlive the canvas.
    std::shared_ptr<const std::atomic<bool>> stoppingFlag() const { return stopping; }

protected:
    ~CanvasLoop() = default;
    void setStopping(bool on) { stopping->store(on); }

private:
    std::shared_ptr<std::atomic<bool>> stopping = std::make_shared<std::atomic<bool>>(false);
};

} // namespace engine
