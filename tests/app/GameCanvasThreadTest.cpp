#include "app/GameCanvas2.h"
#include "engine/FrameClock.h"
#include "engine/RenderThread.h"
#include "engine/Sprite.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "platform/FrameBuffer.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "support/Eventually.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Event;
using lang::Rectangle;
using lang::Ref;
using lang::String;
using testsupport::eventually;

namespace {

// A clock the test drives: time moves only when a frame's work says so, and
// waiting for a due time jumps straight to it.
class ScriptedClock : public engine::FrameClock {
public:
    int64_t now() override { return time.load(); }
    std::chrono::steady_clock::time_point deadline(int64_t due) override {
        if (due > time.load())
            time.store(due);
        return std::chrono::steady_clock::now() + idleSleep;
    }
    void advance(int64_t ms) { time.fetch_add(ms); }

    std::atomic<int64_t> time{0};
    // Once the script has run out the thread sleeps for real between frames.
    std::chrono::milliseconds idleSleep{0};
};

// Each update takes as long as the script says; paints are recorded by frame.
class ScriptedCanvas : public ripple::GameCanvas2 {
public:
    ScriptedCanvas(std::shared_ptr<ScriptedClock> c, std::vector<int> script)
        : clock(std::move(c)), durations(std::move(script)) {}
    void updateFrame() override {
        GameCanvas2::updateFrame();
        std::lock_guard<std::mutex> guard(lock);
        counters.push_back(getFrameCounter());
        painted.push_back(false);
        size_t frame = counters.size() - 1;
        if (frame < durations.size())
            clock->advance(durations[frame]);
        else
            clock->idleSleep = std::chrono::milliseconds(5);
    }
    void paintFrame() override {
        GameCanvas2::paintFrame();
        std::lock_guard<std::mutex> guard(lock);
        painted.back() = true;
    }
    size_t frames() {
        std::lock_guard<std::mutex> guard(lock);
        return counters.size();
    }

    std::shared_ptr<ScriptedClock> clock;
    std::vector<int> durations;
    std::mutex lock;
    std::vector<int> counters;
    std::vector<bool> painted;
};

TEST(GameCanvasThreadTest, LateFramesAreSkippedAtMostTwiceInARowAndLongDelaysRebase) {
    struct Row {
        const char* what;
        bool skipAllowed;
        std::vector<int> durations; // ms each update takes; 40 is on time
        std::string paints;         // P painted, S skipped, frame by frame
    };
    const Row rows[] = {
        {"39 ms late is painted", true, {79, 40}, "PP"},
        {"40 ms late is skipped", true, {80, 0}, "SP"},
        {"skipping not allowed", false, {80, 200}, "PP"},
        {"never three in a row", true, {90, 90, 90, 90}, "SSPS"},
        {"over 100 ms late rebases", true, {150, 40, 40}, "SPP"},
        {"100 ms late catches up", true, {140, 0, 40}, "SSP"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto clock = std::make_shared<ScriptedClock>();
        Ref<ScriptedCanvas> canvas = adopt(new ScriptedCanvas(clock, row.durations));
        canvas->setFrameClock(clock);
        canvas->setFrameSkipAllowed(row.skipAllowed);
        canvas->start();
        ASSERT_TRUE(eventually([&] { return canvas->frames() > row.durations.size() + 1; }));
        canvas->stop();
        std::string paints;
        for (size_t i = 0; i < row.durations.size(); ++i)
            paints += canvas->painted[i] ? 'P' : 'S';
        EXPECT_EQ(paints, row.paints);
        // The game clock advances on every update, painted or not.
        for (size_t i = 0; i < canvas->counters.size(); ++i)
            EXPECT_EQ(canvas->counters[i], int(i) + 1);
        EXPECT_EQ(canvas->getFrameCounter(), int(canvas->counters.size()));
    }
}

class RecordingCanvas : public ripple::GameCanvas2 {
public:
    void command(lang::Object* source, const String& name) override {
        std::lock_guard<std::mutex> guard(lock);
        commands.emplace_back(name.getChars());
        threads.push_back(std::this_thread::get_id());
        GameCanvas2::command(source, name);
    }
    bool mousePressed(Event*, Ref<lang::Object>& s, Ref<String>& n) override {
        s = this;
        n = adopt(new String("click"));
        return true;
    }
    size_t count() {
        std::lock_guard<std::mutex> guard(lock);
        return commands.size();
    }
    std::mutex lock;
    std::vector<std::string> commands;
    std::vector<std::thread::id> threads;
};

TEST(GameCanvasThreadTest, ThreadsDispatchInputAndPaintUntilStopped) {
    ASSERT_TRUE(platform::initVideo());
    Ref<lang::Frame> frame = adopt(new lang::Frame());
    ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
    Ref<RecordingCanvas> canvas = adopt(new RecordingCanvas());
    ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
    canvas->setVisible(true);
    platform::pumpMessages(0);
    Ref<engine::Sprite> sprite = adopt(new engine::Sprite());
    sprite->setImage(testsupport::solidImage(10, 10, 0xFFFF0000).get());
    sprite->setLocation(50, 60);
    canvas->addToScene(String("s"), sprite.get(), -1);

    canvas->start();
    auto fb = frame->getWindow()->getFrameBuffer();
    ASSERT_TRUE(eventually([&] { return fb->pixelAt(55, 65) == 0xFFFF0000u; }));
    // A timer's command runs on the render thread, a click's on the input thread.
    canvas->addTimer(1, String("tick"), 0, nullptr, nullptr);
    Ref<Event> click = adopt(new Event(canvas.get(), Event::mouseDown, 1, 2, 0));
    canvas->mouseDown(click.get(), 1, 2);
    ASSERT_TRUE(eventually([&] { return canvas->count() == 2; }));
    for (std::thread::id t : canvas->threads)
        EXPECT_NE(t, std::this_thread::get_id());
    EXPECT_NE(canvas->threads[0], canvas->threads[1]);

    sprite->setLocation(300, 300);
    ASSERT_TRUE(eventually([&] { return fb->pixelAt(305, 305) == 0xFFFF0000u; }));

    canvas->stop();
    int frames = canvas->getFrameCounter();
    canvas->mouseDown(click.get(), 1, 2);
    EXPECT_EQ(canvas->getEventQueue().size(), 0);
    EXPECT_EQ(canvas->getFrameCounter(), frames);
    EXPECT_EQ(canvas->count(), 2u);
    canvas->releaseResources();
    frame->getWindow()->destroy();
    platform::quitVideo();
}

} // namespace
