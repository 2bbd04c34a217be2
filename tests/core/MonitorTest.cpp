#include "core/Object.h"
#include "core/Thread.h"
#include "support/Eventually.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using lang::Object;

namespace {
using testsupport::eventually;
} // namespace

TEST(MonitorTest, ReentrantLockCountsDepth) {
    Object o;
    EXPECT_EQ(o.lock(), 1);
    EXPECT_EQ(o.lock(), 2);
    o.unlock();
    o.unlock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        o.lock();
        entered = true;
        o.unlock();
    });
    other.join();
    EXPECT_TRUE(entered);
}

TEST(MonitorTest, WaitAtDepthTwoLetsOthersInAndRestoresDepth) {
    Object o;
    std::atomic<bool> waiting{false};
    std::atomic<bool> otherEntered{false};
    std::atomic<int> depthAfter{0};
    std::thread waiter([&] {
        o.lock();
        o.lock();
        waiting = true;
        depthAfter = o.wait(-1);
        EXPECT_EQ(o.getLockDepth(), 2);
        o.unlock();
        o.unlock();
    });
    ASSERT_TRUE(eventually([&] { return waiting.load(); }));
    // The waiter gave up both levels, so this thread can enter.
    o.lock();
    otherEntered = true;
    o.notify();
    o.unlock();
    waiter.join();
    EXPECT_TRUE(otherEntered);
    EXPECT_EQ(depthAfter, 2);
}

TEST(MonitorTest, TimedWaitReturnsWithoutNotification) {
    Object o;
    o.lock();
    EXPECT_EQ(o.wait(20), 1);
    o.unlock();
}

TEST(MonitorTest, NotifyWakesEveryWaiter) {
    Object o;
    std::atomic<int> inWait{0};
    std::atomic<int> woken{0};
    std::thread a([&] {
        o.lock();
        ++inWait;
        o.wait();
        ++woken;
        o.unlock();
    });
    std::thread b([&] {
        o.lock();
        ++inWait;
        o.wait();
        ++woken;
        o.unlock();
    });
    ASSERT_TRUE(eventually([&] { return inWait.load() == 2; }));
    // Both called wait() (and so reset the event) before giving up the
    // monitor; taking it here means both are now blocked or about to block.
    o.lock();
    o.notifyAll();
    o.unlock();
    a.join();
    b.join();
    EXPECT_EQ(woken, 2);
}

TEST(MonitorTest, ConcurrentLazyMonitorCreationIsSafe) {
    for (int round = 0; round < 50; ++round) {
        Object o;
        int counter = 0;
        auto work = [&] {
            for (int i = 0; i < 100; ++i) {
                lang::Synchronized guard(&o);
                ++counter;
            }
        };
        std::thread t1(work), t2(work);
        t1.join();
        t2.join();
        EXPECT_EQ(counter, 200);
        EXPECT_EQ(o.getRefCount(), 1);
    }
}

// An unbalanced unlock would release a mutex the thread does not own (or, on a
// monitor never locked, reach a mutex that was never made); every build stops
// it with a message instead.
TEST(MonitorDeathTest, UnlockWithoutHoldingStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* message = "monitor the calling thread does not hold";
    EXPECT_DEATH(
        {
            Object o;
            o.unlock();
        },
        message);
    EXPECT_DEATH(
        {
            Object o;
            o.lock();
            o.unlock();
            o.unlock();
        },
        message);
    EXPECT_DEATH(
        {
            Object o;
            o.lock();
            std::thread other([&] { o.unlock(); });
            other.join();
        },
        message);
}
