// With the game's own threads running, recorded input is handled whole
// between two frames: the frame the recorder is given is the frame the
// handler sees from its first line to its last, as in a replay.

#include "app/GameCanvas2.h"
#include "gfx/Event.h"
#include "support/Eventually.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Seen {
    int recorded = -1;
    int first = -1;
    int last = -1;
};

// A handler slow enough for many frames to pass while it runs.
class SlowCanvas : public ripple::GameCanvas2 {
public:
    void processEvent() override {
        int first = getFrameCounter();
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        std::lock_guard<std::mutex> guard(lock);
        seen.at(handled).first = first;
        seen.at(handled).last = getFrameCounter();
        ++handled;
    }
    std::mutex lock;
    std::vector<Seen> seen = std::vector<Seen>(4);
    int handled = 0;
};

class FrameObserver : public ripple::GameCanvas::InputObserver {
public:
    explicit FrameObserver(SlowCanvas& canvas) : canvas(canvas) {}
    void inputDispatched(ripple::GameCanvas&, int frame, const lang::Event&) override {
        std::lock_guard<std::mutex> guard(canvas.lock);
        canvas.seen.at(static_cast<size_t>(canvas.handled)).recorded = frame;
    }
    void canvasStopped(ripple::GameCanvas&, int) override {}
    SlowCanvas& canvas;
};

TEST(ReplayRecorderThreadTest, RecordedInputIsHandledBetweenTwoFrames) {
    auto canvas = lang::adopt(new SlowCanvas());
    canvas->setFramePeriod(1);
    canvas->setInputObserver(std::make_shared<FrameObserver>(*canvas));
    canvas->start();
    for (int i = 0; i < 4; ++i) {
        auto e = lang::adopt(new lang::Event(canvas.get(), lang::Event::mouseMove, i, i, 0));
        canvas->mouseMove(e.get(), i, i);
    }
    ASSERT_TRUE(testsupport::eventually([&] {
        std::lock_guard<std::mutex> guard(canvas->lock);
        return canvas->handled == 4;
    }));
    canvas->stop();
    int lastFrame = -1;
    for (const Seen& s : canvas->seen) {
        EXPECT_EQ(s.first, s.recorded);
        EXPECT_EQ(s.last, s.recorded);
        EXPECT_GE(s.recorded, lastFrame);
        lastFrame = s.recorded;
    }
    EXPECT_GT(canvas->getFrameCounter(), lastFrame) << "frames ran between the inputs";
}

} // namespace
