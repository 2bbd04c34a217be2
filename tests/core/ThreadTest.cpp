#include "core/Thread.h"
#include "support/Eventually.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using lang::adopt;
using lang::Ref;
using lang::Thread;

namespace {

using testsupport::eventually;

// A gate the test opens to let run() finish; no sleeping to wait for threads.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void release() {
        {
            std::lock_guard<std::mutex> g(m);
            open = true;
        }
        cv.notify_all();
    }
    void pass() {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [this] { return open; });
    }
};

struct Worker : Thread {
    Worker(Gate* gate, std::atomic<int>* runs, std::atomic<int>* destroyed)
        : gate(gate), runs(runs), destroyed(destroyed) {}
    ~Worker() override { ++*destroyed; }
    void run() override {
        ++*runs;
        gate->pass();
        clearStarted();
    }
    Gate* gate;
    std::atomic<int>* runs;
    std::atomic<int>* destroyed;
};

struct Task : lang::Object, lang::Runnable {
    int addRef() const override { return Object::addRef(); }
    int release() const override { return Object::release(); }
    bool instanceOf(const char* name) const override {
        return lang::ansiEqualsIgnoreCase(name, "Runnable") || Object::instanceOf(name);
    }
    void run() override { ++runs; }
    std::atomic<int> runs{0};
};

} // namespace

TEST(ThreadTest, StartingTwiceRunsOnce) {
    Gate gate;
    std::atomic<int> runs{0}, destroyed{0};
    {
        auto t = adopt(new Worker(&gate, &runs, &destroyed));
        t->start();
        t->start();
        EXPECT_TRUE(t->isStarted());
        gate.release();
        EXPECT_TRUE(t->join(0));
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(t->isStarted());
        EXPECT_TRUE(t->join(0)); // finished: returns at once
    }
    // The thread procedure drops its own reference just after run() returns.
    EXPECT_TRUE(eventually([&] { return destroyed == 1; }));
}

TEST(ThreadTest, RunningThreadKeepsItsObjectAlive) {
    Gate gate;
    std::atomic<int> runs{0}, destroyed{0};
    Worker* raw = new Worker(&gate, &runs, &destroyed);
    raw->start();
    raw->release(); // the caller's only reference
    EXPECT_EQ(destroyed, 0);
    gate.release();
    EXPECT_TRUE(eventually([&] { return destroyed == 1; }));
    EXPECT_EQ(runs, 1);
}

TEST(ThreadTest, RunsATargetAndCanBeRestarted) {
    auto task = adopt(new Task);
    auto t = adopt(new Thread(task.get()));
    EXPECT_EQ(task->getRefCount(), 2);
    EXPECT_TRUE(t->instanceOf("runnable"));
    EXPECT_TRUE(t->instanceOf("thread"));
    t->start();
    EXPECT_TRUE(t->join(0));
    t->start();
    EXPECT_TRUE(t->join(0));
    EXPECT_EQ(task->runs, 2);
    t = nullptr;
    EXPECT_EQ(task->getRefCount(), 1);
}

TEST(ThreadTest, JoinWithoutStartAndTimedJoin) {
    Gate gate;
    std::atomic<int> runs{0}, destroyed{0};
    auto t = adopt(new Worker(&gate, &runs, &destroyed));
    EXPECT_TRUE(t->join(0)); // never started
    t->start();
    EXPECT_FALSE(t->join(10)); // still blocked at the gate
    gate.release();
    EXPECT_TRUE(t->join(0));
}
