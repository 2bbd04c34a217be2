#include "game/RippleSprayer.h"

#include "core/Class.h"
#include "gfx/Point.h"
#include "sound/AudioClip.h"
#include "support/GameDialogBench.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using engine::AnimateSprite;
using lang::adopt;
using lang::Ref;
using ripple::RippleSprayer;

namespace {

// A clip that records what was asked of it instead of sounding.
class RecordingClip : public lang::AudioClip {
public:
    void loop() override { calls.push_back("loop"); }
    void pause() override { calls.push_back("pause"); }
    void play() override { calls.push_back("play"); }
    void stop() override { calls.push_back("stop"); }
    std::vector<std::string> take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};

// A strip of `cells` frames, each `w` x `h`, frame f painted in colour(f).
Ref<lang::Image> strip(int cells, int w, int h, uint32_t (*colour)(int)) {
    Ref<lang::Image> image = adopt(new lang::Image(cells * w, h, 1, false));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < cells * w; ++x)
            image->getPixels()[y * cells * w + x] = colour(x / w);
    return image;
}

uint32_t bodyColour(int f) {
    return 0xFF000000u | (uint32_t(f) << 16) | 0x40u;
}
uint32_t jetColour(int f) {
    return 0xFF000000u | (uint32_t(f) << 8) | 0x80u;
}

// The sprayer with a 20 x 10 body and a 6 x 30 jet in a stepped canvas. The
// canvas issues the parts' events as commands; the test answers them as the
// game does, by handing each back to the sprayer.
struct SprayerBench {
    testsupport::GameDialogBench bench{"", {}};
    Ref<AnimateSprite> body = adopt(new AnimateSprite());
    Ref<AnimateSprite> jet = adopt(new AnimateSprite());
    Ref<RippleSprayer> sprayer = adopt(new RippleSprayer());
    Ref<RecordingClip> clip = adopt(new RecordingClip());

    SprayerBench() {
        body->setImage(strip(50, 20, 10, bodyColour).get(), 50, 1);
        jet->setImage(strip(27, 6, 30, jetColour).get(), 27, 1);
        body->setName(lang::String("sprayer"));
        jet->setName(lang::String("fishspray"));
        bench.canvas->addToScene(lang::String("fishspray"), jet.get(), -1);
        bench.canvas->addToScene(lang::String("sprayer"), body.get(), -1);
        bench.canvas->addToScene(lang::String(), sprayer.get(), -1);
        sprayer->setSprayClip(clip.get());
        sprayer->setEventListener(bench.canvas.get());
        sprayer->setParts(body.get(), jet.get());
        sprayer->setSoundHost(bench.canvas.get());
    }
    // One frame; the events it produced, answered.
    std::vector<std::string> step() {
        bench.canvas->stepFrame();
        std::vector<std::string> events = bench.canvas->take();
        for (const std::string& e : events)
            sprayer->answer(lang::String(e.substr(0, e.find('@')).c_str()));
        return events;
    }
};

TEST(RippleSprayerTest, RegisteredWithItsParentsAndSizedByItsBody) {
    Ref<lang::Object> made = lang::Class::forName("RippleSprayer")->newInstance();
    for (const char* name : {"RippleSprayer", "AnimateSprite", "Sprite", "SpriteBase", "Object"})
        EXPECT_TRUE(made->instanceOf(name)) << name;
    SprayerBench s;
    EXPECT_EQ(s.sprayer->getWidth(), 20);
    EXPECT_EQ(s.sprayer->getHeight(), 10);
    EXPECT_FALSE(s.body->isVisible());
    EXPECT_FALSE(s.jet->isVisible());
    EXPECT_EQ(s.sprayer->getState(), RippleSprayer::idle);
}

// A press winds up (25-32 once) then loops 33-40; the jet opens (0-26 once)
// then loops 7-26; a release winds down (41-49 once) and returns to idle
// (0-24 looping). Each once-only run ends with its event, sent by the part
// that finished.
TEST(RippleSprayerTest, PressHoldAndReleaseRunTheFramesAndEventsInOrder) {
    SprayerBench s;
    s.sprayer->setVisible(true);
    s.sprayer->setLocation(100, 500);
    for (int i = 0; i < 30; ++i)
        s.step();
    EXPECT_LE(s.body->getFrame(), 24);
    EXPECT_TRUE(s.body->isVisible());
    EXPECT_FALSE(s.jet->isVisible());
    for (const std::string& call : s.clip->take())
        EXPECT_EQ(call, "stop");

    s.sprayer->setState(RippleSprayer::startSpraying);
    EXPECT_EQ(s.clip->take(), std::vector<std::string>{"loop"});
    EXPECT_TRUE(s.jet->isVisible());
    std::vector<int> bodyFrames, jetFrames;
    std::vector<std::pair<int, std::string>> events;
    for (int tick = 1; tick <= 60; ++tick) {
        for (const std::string& e : s.step())
            events.emplace_back(tick, e);
        bodyFrames.push_back(s.body->getFrame());
        jetFrames.push_back(s.jet->getFrame());
    }
    // Body: 26..32, then the loop from 33 on.
    std::vector<int> expectedBody;
    for (int f = 26; f <= 32; ++f)
        expectedBody.push_back(f);
    for (int f = 33; int(expectedBody.size()) < 60; f = f == 40 ? 33 : f + 1)
        expectedBody.push_back(f);
    EXPECT_EQ(bodyFrames, expectedBody);
    // Jet: 1..26 once, then 7..26 looping.
    std::vector<int> expectedJet;
    for (int f = 1; f <= 26; ++f)
        expectedJet.push_back(f);
    for (int f = 7; int(expectedJet.size()) < 60; f = f == 26 ? 7 : f + 1)
        expectedJet.push_back(f);
    EXPECT_EQ(jetFrames, expectedJet);
    using Event = std::pair<int, std::string>;
    EXPECT_EQ(events,
              (std::vector<Event>{{8, "loopthefish@sprayer"}, {27, "loopthespray@fishspray"}}));
    EXPECT_EQ(s.sprayer->getState(), RippleSprayer::spraying);

    // Release: wind-down 41..49 once; the event's answer puts the fish back
    // on idle frame 0 at once.
    s.sprayer->setState(RippleSprayer::stopSpraying);
    EXPECT_EQ(s.clip->take(), std::vector<std::string>{"stop"});
    EXPECT_FALSE(s.jet->isVisible());
    bodyFrames.clear();
    events.clear();
    for (int tick = 1; tick <= 12; ++tick) {
        for (const std::string& e : s.step())
            events.emplace_back(tick, e);
        bodyFrames.push_back(s.body->getFrame());
    }
    EXPECT_EQ(bodyFrames, (std::vector<int>{42, 43, 44, 45, 46, 47, 48, 49, 0, 1, 2, 3}));
    EXPECT_EQ(events, (std::vector<Event>{{9, "startidle@sprayer"}}));
    EXPECT_EQ(s.sprayer->getState(), RippleSprayer::idle);
}

TEST(RippleSprayerTest, HiddenSprayerRecordsTheStateAndShowingAppliesIt) {
    SprayerBench s;
    s.sprayer->setVisible(false);
    s.step(); // the sprayer's update records that it is hidden
    s.clip->take();
    s.sprayer->setState(RippleSprayer::startSpraying);
    EXPECT_TRUE(s.clip->take().empty());
    EXPECT_FALSE(s.jet->isVisible());
    EXPECT_LT(s.body->getFrame(), 25);

    s.sprayer->setVisible(true);
    EXPECT_EQ(s.clip->take(), std::vector<std::string>{"loop"});
    EXPECT_EQ(s.body->getFrame(), 25);
    EXPECT_TRUE(s.jet->isVisible());
}

TEST(RippleSprayerTest, PauseHoldsTheSoundOnlyWhileSprayingAndSoundOffStopsIt) {
    struct Case {
        int state;
        std::vector<std::string> onPause, onResume;
    };
    const Case cases[] = {
        {RippleSprayer::startSpraying, {"pause"}, {"loop"}},
        {RippleSprayer::spraying, {"pause"}, {"loop"}},
        {RippleSprayer::idle, {}, {}},
        {RippleSprayer::stopSpraying, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        SprayerBench s;
        s.sprayer->setVisible(true);
        s.sprayer->setState(c.state);
        s.clip->take();
        s.sprayer->setPaused(true);
        EXPECT_EQ(s.clip->take(), c.onPause);
        EXPECT_TRUE(s.body->isPaused());
        int frame = s.body->getFrame();
        s.step();
        EXPECT_EQ(s.body->getFrame(), frame);
        s.sprayer->setPaused(false);
        EXPECT_EQ(s.clip->take(), c.onResume);
        EXPECT_FALSE(s.body->isPaused());
    }

    // The player turns sound off while the fish sprays: the loop, which is
    // not in the canvas's sound list, stops on the next frame, and a new
    // press stays silent.
    SprayerBench s;
    s.sprayer->setVisible(true);
    s.sprayer->setState(RippleSprayer::startSpraying);
    s.clip->take();
    s.bench.canvas->setSoundEnabled(false);
    s.step();
    EXPECT_EQ(s.clip->take(), std::vector<std::string>{"stop"});
    s.step();
    EXPECT_TRUE(s.clip->take().empty());
}

TEST(RippleSprayerTest, PlacingAndMovingCarryTheJetAlong) {
    SprayerBench s;
    s.sprayer->setLocation(100, 500);
    EXPECT_EQ(s.sprayer->getX(), 100);
    EXPECT_EQ(s.sprayer->getY(), 500);
    EXPECT_EQ(s.jet->getX(), 100 + 10 - 3);
    EXPECT_EQ(s.jet->getY(), 500 - 43);

    s.sprayer->moveTo(200, 520, 4);
    for (int i = 0; i < 4; ++i)
        s.step();
    EXPECT_EQ(s.body->getX(), 200);
    EXPECT_EQ(s.body->getY(), 520);
    EXPECT_EQ(s.jet->getX(), 227);
    EXPECT_EQ(s.jet->getY(), 480);
    EXPECT_EQ(s.sprayer->getX(), 200);
}

// The composed frame of a fish spraying: the body on its spraying frames
// and the jet above it on its loop, over a dark play field.
TEST(RippleSprayerTest, ComposedFrameShowsTheFishSprayingUpItsTrack) {
    SprayerBench s;
    Ref<AnimateSprite> field = adopt(new AnimateSprite());
    field->setImage(testsupport::solidImage(800, 600, 0xFF101010u).get(), 1, 1);
    s.bench.canvas->addToScene(lang::String("field"), field.get(), 0);
    s.sprayer->setVisible(true);
    s.sprayer->setLocation(300, 520);
    s.sprayer->setState(RippleSprayer::startSpraying);
    for (int i = 0; i < 40; ++i)
        s.step();
    Ref<lang::Image> frame = s.bench.canvas->getBackBuffer();
    ASSERT_TRUE(frame);
    int bodyFrame = s.body->getFrame();
    int jetFrame = s.jet->getFrame();
    ASSERT_GE(bodyFrame, 33);
    ASSERT_GE(jetFrame, 7);
    struct Probe {
        int x, y;
        uint32_t argb;
    };
    const Probe probes[] = {
        {300, 520, bodyColour(bodyFrame)}, {319, 529, bodyColour(bodyFrame)},
        {307, 477, jetColour(jetFrame)},   {312, 506, jetColour(jetFrame)},
        {306, 490, 0xFF101010u},           {313, 490, 0xFF101010u},
        {320, 525, 0xFF101010u},           {310, 530, 0xFF101010u},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(testsupport::pixelAt(*frame, p.x, p.y), p.argb) << p.x << "," << p.y;
}

// Snapping the pointer to a track happens on engine threads, which must
// never call into the window: the warp is posted and the main thread moves
// the pointer when it handles its messages.
TEST(RippleSprayerTest, PointerWarpFromAnEngineThreadWaitsForTheMainThread) {
    SprayerBench s;
    s.bench.canvas->setMousePosition(10, 10);
    std::thread([&] { RippleSprayer::warpPointer(s.bench.canvas.get(), 345, 520); }).join();
    Ref<lang::Point> before = s.bench.canvas->getMousePosition();
    EXPECT_EQ(before->x, 10);
    s.bench.pump();
    Ref<lang::Point> after = s.bench.canvas->getMousePosition();
    EXPECT_EQ(after->x, 345);
    EXPECT_EQ(after->y, 520);
    RippleSprayer::warpPointer(nullptr, 1, 1);
}

} // namespace
