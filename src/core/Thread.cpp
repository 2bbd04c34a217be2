#include "core/Thread.h"

#include <chrono>

namespace lang {

Thread::Thread() : target(this) {}

Thread::Thread(Runnable* target) : target(target ? target : this) {
    if (this->target != this)
        this->target->addRef();
}

Thread::~Thread() {
    if (target != this)
        target->release();
    if (threadHandle.joinable()) {
        // The last reference may be dropped by the thread procedure itself.
        if (threadHandle.get_id() == std::this_thread::get_id())
            threadHandle.detach();
        else
            threadHandle.join();
    }
}

void Thread::start() {
    if (started.exchange(true))
        return;
    if (threadHandle.joinable()) {
        if (threadHandle.get_id() == std::this_thread::get_id())
            threadHandle.detach();
        else
            threadHandle.join();
    }
    {
        std::lock_guard<std::mutex> guard(runState->mutex);
        runState->running = true;
    }
    addRef(); // the thread procedure's reference, taken before the thread exists
    threadHandle = std::thread(threadProc, this, runState);
}

void Thread::threadProc(Thread* self, std::shared_ptr<RunState> state) {
    self->run();
    self->release();
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        state->running = false;
    }
    state->done.notify_all();
}

void Thread::run() {
    if (target != this)
        target->run();
    clearStarted();
}

bool Thread::join(int milliseconds) {
    RunState& state = *runState;
    std::unique_lock<std::mutex> guard(state.mutex);
    auto ended = [&state] { return !state.running; };
    if (milliseconds <= 0) {
        state.done.wait(guard, ended);
        return true;
    }
    return state.done.wait_for(guard, std::chrono::milliseconds(milliseconds), ended);
}

void Thread::sleep(int milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    else
        std::this_thread::yield();
}

} // namespace lang
