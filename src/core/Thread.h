#pragma once

#include "core/Runnable.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace lang {

// A platform thread bound to a Runnable: itself (a subclass overriding run())
// or a separate target. The running thread holds a reference to its Thread, so
// the object lives until run() returns even when every other holder let go.
class Thread : public Object, public Runnable {
    LANG_CLASS_ALSO(Thread, Object, "Runnable");

    Thread();
    explicit Thread(Runnable* target);
    ~Thread() override;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts run() on a new thread unless this one is already running.
    void start();
    // Runs the target, then marks the thread as no longer started.
    void run() override;
    // Waits for run() to end, at most milliseconds (0: no limit). Returns at
    // once when the thread was never started. True when it has ended.
    bool join(int milliseconds = 0);
    bool isStarted() const { return started.load(); }

    static void sleep(int milliseconds);

    int addRef() const override { return Object::addRef(); }
    int release() const override { return Object::release(); }
    // One test for both bases: the class table answers "Runnable" too.
    bool instanceOf(const char* className) const override { return Object::instanceOf(className); }

protected:
    void clearStarted() { started.store(false); }

private:
    struct RunState {
        std::mutex mutex;
        std::condition_variable done;
        bool running = false; // the thread procedure has not yet let go
    };
    static void threadProc(Thread* self, std::shared_ptr<RunState> state);

    Runnable* target;
    std::atomic<bool> started{false};
    std::thread threadHandle;
    // Outlives the Thread, so the procedure can report its end after dropping
    // its reference: join() returns only once that reference is gone.
    std::shared_ptr<RunState> runState = std::make_shared<RunState>();
};

} // namespace lang
