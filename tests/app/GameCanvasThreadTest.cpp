#include "app/GameCanvas2.h"
#include "core/Exception.h"
#include "engine/AnimateSprite.h"
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

#include <algorithm>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
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
        // The count a measuring script reads is the number of frames left unpainted.
        EXPECT_EQ(canvas->getSkippedFrames(),
                  int(std::count(canvas->painted.begin(), canvas->painted.end(), false)));
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

// A sprite of a class the canvas knows nothing about: updated every frame.
class CountingSprite : public engine::Sprite {
public:
    bool update(int time, Rectangle& rect) override {
        updates.fetch_add(1);
        return Sprite::update(time, rect);
    }
    std::atomic<int> updates{0};
};

// Once nothing changes, frames update only the sprites that are not settled;
// a change made on another thread, without the canvas lock, still shows.
TEST(GameCanvasThreadTest, StillFramesLeaveSettledSpritesOutYetShowEveryChange) {
    ASSERT_TRUE(platform::initVideo());
    Ref<lang::Frame> frame = adopt(new lang::Frame());
    ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 400, 300)));
    Ref<ripple::GameCanvas2> canvas = adopt(new ripple::GameCanvas2());
    ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 400, 300)));
    canvas->setVisible(true);
    platform::pumpMessages(0);
    canvas->setFramePeriod(5);
    canvas->setClearBackground(true);
    constexpr uint32_t red = 0xFFFF0000u, green = 0xFF00FF00u;
    Ref<engine::Sprite> still = adopt(new engine::Sprite());
    still->setImage(testsupport::solidImage(10, 10, red).get());
    still->setLocation(20, 20);
    // Two frames side by side: red, then green.
    Ref<lang::Image> strip = testsupport::solidImage(20, 10, red);
    Ref<lang::Graphics> g = testsupport::graphicsOn(strip.get());
    g->setColor(lang::Color(0, 255, 0));
    g->fillRect(10, 0, 10, 10);
    g->dispose();
    Ref<engine::AnimateSprite> animation = adopt(new engine::AnimateSprite());
    animation->setImage(strip.get(), 2, 1);
    animation->setLocation(100, 20);
    Ref<CountingSprite> counting = adopt(new CountingSprite());
    for (engine::SpriteBase* s :
         std::initializer_list<engine::SpriteBase*>{still.get(), animation.get(), counting.get()})
        canvas->addToScene(String(), s, -1);
    canvas->start();
    auto fb = frame->getWindow()->getFrameBuffer();
    ASSERT_TRUE(eventually([&] { return canvas->getStillFrames() > 3; }));
    int updates = counting->updates.load();
    ASSERT_TRUE(eventually([&] { return counting->updates.load() > updates + 3; }));

    struct Row {
        const char* change;
        std::function<void()> apply;
        int x, y;
        bool red, green;
    };
    const Row rows[] = {
        {"move", [&] { still->setLocation(200, 200); }, 205, 205, true, false},
        {"hide", [&] { still->setVisible(false); }, 205, 205, false, false},
        {"show", [&] { still->setVisible(true); }, 205, 205, true, false},
        {"frame", [&] { animation->setFrame(1); }, 105, 25, false, true},
        {"glide", [&] { animation->moveTo(300, 20, 4); }, 305, 25, false, true},
        // Last: a running animation leaves no frame still.
        {"animate", [&] { animation->setAnimation(1, true); }, 305, 25, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        int stillFrames = canvas->getStillFrames();
        ASSERT_TRUE(eventually([&] { return canvas->getStillFrames() > stillFrames + 2; }));
        row.apply();
        EXPECT_TRUE(eventually([&] {
            uint32_t p = fb->pixelAt(row.x, row.y);
            return (p == red) == row.red && (p == green) == row.green;
        }));
    }
    canvas->stop();
    canvas->releaseResources();
    frame->getWindow()->destroy();
    platform::quitVideo();
}

// Sleeps overshoot their due time a little, as real ones do; updates take
// 5 ms. Frames stay on the schedule counted from the start of the run.
class OversleepingClock : public engine::FrameClock {
public:
    int64_t now() override { return time.load(); }
    std::chrono::steady_clock::time_point deadline(int64_t due) override {
        int64_t overshoot = (sleeps++ * 3) % 8;
        if (due > time.load())
            time.store(due + overshoot);
        return std::chrono::steady_clock::now();
    }
    std::atomic<int64_t> time{0};
    int64_t sleeps = 0;
};

class TimedCanvas : public ripple::GameCanvas2 {
public:
    explicit TimedCanvas(std::shared_ptr<OversleepingClock> c) : clock(std::move(c)) {}
    void updateFrame() override {
        GameCanvas2::updateFrame();
        std::lock_guard<std::mutex> guard(lock);
        starts.push_back(clock->time.load());
        clock->time.fetch_add(5);
    }
    int64_t lastStart() {
        std::lock_guard<std::mutex> guard(lock);
        return starts.empty() ? 0 : starts.back();
    }
    std::shared_ptr<OversleepingClock> clock;
    std::mutex lock;
    std::vector<int64_t> starts;
};

TEST(GameCanvasThreadTest, TheFrameScheduleDoesNotDriftOverMinutes) {
    auto clock = std::make_shared<OversleepingClock>();
    Ref<TimedCanvas> canvas = adopt(new TimedCanvas(clock));
    canvas->setFrameClock(clock);
    canvas->start();
    // Two simulated minutes.
    ASSERT_TRUE(eventually([&] { return canvas->lastStart() >= 120000; }));
    canvas->stop();
    // Frame k starts when it is due, plus at most one oversleep: no error
    // accumulates, so 25 updates a second hold however long the game runs.
    for (size_t k = 0; k < canvas->starts.size(); ++k) {
        int64_t late = canvas->starts[k] - int64_t(k) * 40;
        ASSERT_GE(late, 0) << "frame " << k;
        ASSERT_LE(late, 7) << "frame " << k;
    }
    EXPECT_GE(canvas->starts.size(), 3000u);
}

// Input handlers that change the scene the render thread is drawing.
class StressCanvas : public ripple::GameCanvas2 {
public:
    void command(lang::Object* source, const String& name) override {
        commands.fetch_add(1);
        if (name.equals("tick") || name.equals("posted")) {
            Ref<engine::AnimateSprite> s = pick(commands.load());
            s->moveTo(commands.load() % 700, commands.load() % 500, 3);
        }
        GameCanvas2::command(source, name);
    }
    bool mousePressed(Event* e, Ref<lang::Object>& source, Ref<String>& name) override {
        Ref<engine::AnimateSprite> s = pick(e->x);
        switch (e->y % 4) {
        case 0:
            addToScene(String("s"), s.get(), e->y % 40 - 10);
            s->setVisible(true);
            break;
        case 1:
            removeFromScene(s.get());
            break;
        case 2:
            s->fadeTo(e->y % 129, 4);
            break;
        default:
            addTimer(e->y % 5, String("tick"), e->x % 2 ? timerReplace : 0, nullptr, nullptr);
            break;
        }
        source = s;
        name = adopt(new String("clicked"));
        return true;
    }
    bool keyTyped(Event* e, Ref<lang::Object>&, Ref<String>&) override {
        removeFromScene(pick(e->key).get());
        addTimer(2, String("tick"), timerRepeating | timerReplace, nullptr, nullptr);
        return false;
    }
    Ref<engine::AnimateSprite> pick(int n) {
        Ref<engine::SpriteBase> s = spriteAt(n % std::max(getSpriteCount(), 1));
        if (s && s->instanceOf("AnimateSprite"))
            return Ref<engine::AnimateSprite>(static_cast<engine::AnimateSprite*>(s.get()));
        return pool[size_t(n) % pool.size()];
    }
    std::vector<Ref<engine::AnimateSprite>> pool;
    std::atomic<int> commands{0};
};

TEST(GameCanvasThreadTest, StressSceneChangesWhileRenderingAndStoppingUnderInput) {
    ASSERT_TRUE(platform::initVideo());
    Ref<lang::Frame> frame = adopt(new lang::Frame());
    ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
    Ref<StressCanvas> canvas = adopt(new StressCanvas());
    ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
    canvas->setVisible(true);
    platform::pumpMessages(0);
    canvas->setFramePeriod(1);
    canvas->setClearBackground(true);
    Ref<lang::Image> strip = testsupport::solidImage(32, 16, 0x80FF8040);
    for (int i = 0; i < 300; ++i) {
        Ref<engine::AnimateSprite> s = adopt(new engine::AnimateSprite());
        s->setImage(strip.get(), 2, 1);
        s->setAnimation(1, true);
        s->setLocation(i * 7 % 780, i * 13 % 580);
        s->moveTo((i * 31) % 780, (i * 17) % 580, 50);
        canvas->pool.push_back(s);
        canvas->addToScene(String(), s.get(), -1);
    }
    canvas->start();

    std::atomic<bool> posting{true};
    std::thread poster([&] {
        for (int i = 0; posting.load() && i < 1000; ++i) {
            Ref<Event> e =
                adopt(new Event(canvas.get(), Event::namedCommand, new String("posted")));
            e->arg->release();
            canvas->postEvent(e.get());
            std::this_thread::yield();
        }
    });
    auto inject = [&](int i) {
        if (i % 5 == 4) {
            Ref<Event> k = adopt(new Event(canvas.get(), Event::keyPress, 0, 0, 0));
            k->key = 'a' + i % 26;
            canvas->keyDown(k.get(), k->key);
        } else {
            Ref<Event> m = adopt(new Event(canvas.get(), Event::mouseDown, i % 997, i % 1009, 0));
            canvas->mouseDown(m.get(), m->x, m->y);
        }
    };
    for (int i = 0; i < 2000; ++i)
        inject(i);
    ASSERT_TRUE(eventually([&] { return canvas->getEventQueue().size() == 0; }));
    int framesSoFar = canvas->getFrameCounter();
    ASSERT_TRUE(eventually([&] { return canvas->getFrameCounter() > framesSoFar + 10; }));

    // Input and commands keep arriving while the canvas stops and frees.
    std::atomic<bool> late{true};
    std::thread lateInput([&] {
        for (int i = 0; late.load(); ++i) {
            inject(i);
            std::this_thread::yield();
        }
    });
    canvas->stop();
    canvas->releaseResources();
    late.store(false);
    posting.store(false);
    lateInput.join();
    poster.join();
    EXPECT_EQ(canvas->getEventQueue().size(), 0);
    EXPECT_GT(canvas->commands.load(), 1600);
    frame->getWindow()->destroy();
    platform::quitVideo();
}

// A handler and a frame that fail now and then.
class FailingCanvas : public ripple::GameCanvas2 {
public:
    void updateFrame() override {
        GameCanvas2::updateFrame();
        if (getFrameCounter() % 3 == 0)
            lang::throwException("frame failed");
        if (getFrameCounter() % 3 == 1)
            throw std::runtime_error("frame failed otherwise");
    }
    bool mousePressed(Event* e, Ref<lang::Object>&, Ref<String>&) override {
        handled.fetch_add(1);
        if (e->x % 2)
            lang::throwException("handler failed");
        return false;
    }
    std::atomic<int> handled{0};
};

TEST(GameCanvasThreadTest, FailuresInHandlersAndFramesLeaveBothThreadsRunning) {
    Ref<FailingCanvas> canvas = adopt(new FailingCanvas());
    canvas->start();
    for (int i = 0; i < 6; ++i) {
        Ref<Event> click = adopt(new Event(canvas.get(), Event::mouseDown, i, 0, 0));
        canvas->mouseDown(click.get(), i, 0);
    }
    EXPECT_TRUE(eventually([&] { return canvas->handled.load() == 6; }));
    EXPECT_TRUE(eventually([&] { return canvas->getFrameCounter() >= 7; }));
    canvas->stop();
}

} // namespace
