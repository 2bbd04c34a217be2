#include "game/Track.h"
#include "core/Random.h"
#include "engine/AnimateSprite.h"
#include "game/PowerupPiece.h"
#include "game/RippleBall.h"
#include "game/RollingSound.h"
#include "game/WaterPool.h"
#include "gfx/Rectangle.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using ripple::RippleBall;
using ripple::Track;

namespace {

// A power-up piece that only keeps what the track stores in it.
struct StubPiece : ripple::PowerupPiece {
    void setType(int code) override {
        type = code;
        speed = 0;
    }
    int getType() override { return type; }
    void reset() override { visible = false, trackPos = 0, speed = 0, remainder = 0; }
    void appear() override { visible = true; }
    void startPulse() override {}
    void vanish() override { ++vanished; }
    void spinUp() override { ++spin; }
    void spinDown() override { --spin; }
    void setGlowHidden(bool) override {}
    void setPaused(bool) override {}
    void setVisible(bool shown) override { visible = shown; }
    void setLocation(int nx, int ny) override { x = nx, y = ny; }
    int getPieceX() override { return x; }
    int getPieceY() override { return y; }
    int getPieceWidth() override { return 0; }
    int getPieceHeight() override { return 0; }
    int getTrackPos() override { return trackPos; }
    void setTrackPos(int p) override { trackPos = p; }
    double getSpeed() override { return speed; }
    void setSpeed(double s) override { speed = s; }
    double getMaxSpeed() override { return 6; }
    double getRemainder() override { return remainder; }
    void setRemainder(double r) override { remainder = r; }

    int type = 9, trackPos = 0, x = 0, y = 0, vanished = 0, spin = 0;
    double speed = 0, remainder = 0;
    bool visible = false;
};

// One track on a straight vertical path (400, ytop + i), with a headless ball
// whose warning is a real sprite, run tick by tick as the game does: the
// track's tick, then the ball's own.
struct Rig {
    explicit Rig(int length, int ytop = 0) : path(static_cast<size_t>(length)) {
        for (int i = 0; i < length; ++i)
            path[static_cast<size_t>(i)].y = static_cast<int16_t>(ytop + i);
        for (auto& p : path)
            p.x = 400;
        RippleBall::Companions companions;
        companions.warning = lang::adopt(new engine::AnimateSprite());
        companions.warning->setVisible(false);
        ball->setCompanions(companions);
        Track::Parts parts;
        parts.ball = ball;
        parts.piece = &piece;
        parts.rolling = &rolling;
        track.setParts(parts);
        track.setLength(path.data(), length);
        track.setLayoutPoint();
    }

    int step() {
        int result = track.tick();
        lang::Rectangle dirty;
        ball->update(++time, dirty);
        return result;
    }
    // A ball of `colour` rolling at `distance` with velocity v, step and remainder.
    void roll(int colour, int distance, double v, int stepNow = 0, double rem = 0) {
        track.assignItem(colour);
        track.setState(Track::rollingDown);
        ball->distance = distance;
        ball->v = v;
        ball->step = stepNow;
        ball->remainder = rem;
        ball->setVisible(true);
    }
    std::string water() const {
        std::string out;
        for (const Track::Segment& s : track.getSegments())
            out += std::to_string(s.head) + ":" +
                   (s.tail < 0 ? std::string("-") : std::to_string(s.tail)) + ":" +
                   std::to_string(static_cast<int>(s.pressure)) + " ";
        return out;
    }

    std::vector<ripple::PathPoint> path;
    lang::Ref<RippleBall> ball = lang::adopt(new RippleBall());
    StubPiece piece;
    ripple::RollingSound rolling;
    Track track;
    int time = 0;
};

struct Tick {
    int state;
    int distance;
    double v;
    int result;
};

void expectTrace(Rig& rig, const std::vector<Tick>& ticks) {
    for (size_t i = 0; i < ticks.size(); ++i) {
        SCOPED_TRACE("tick " + std::to_string(i));
        int result = rig.step();
        EXPECT_EQ(ticks[i].state, rig.track.getState());
        EXPECT_EQ(ticks[i].distance, rig.track.getItemDistance());
        EXPECT_DOUBLE_EQ(ticks[i].v, rig.track.getItemSpeed());
        EXPECT_EQ(ticks[i].result, result);
    }
}

// Seed 0: random() is 38 / 32768 first, so the entry delay is
// trunc(14.3) mod 11 = 3 ticks. The ramp-less ball drops 4 px a tick from
// y 0 onto point 0 at y 8, lands at distance 20 with v 1 and gains 0.5 a tick
// below 1.5, then 0.25 up to colour 1's top speed of 4; each tick moves by the
// whole part of v plus the carried fraction, one tick late.
TEST(TrackTest, BallEntersDropsAndAcceleratesToItsTopSpeed) {
    lang::seed(0);
    Rig rig(300, 8);
    rig.track.assignItem(1);
    rig.track.setState(Track::aboutToEnter);
    EXPECT_EQ(3, rig.track.getEntryDelay());
    expectTrace(rig, {{2, 0, 0, -1},
                      {2, 0, 0, -1},
                      {2, 0, 0, -1},
                      {3, 0, 0, -1},
                      {4, 0, 4, -1},
                      {4, 0, 4, -1},
                      {7, 20, 1, -1},
                      {7, 21, 1.5, -1},
                      {7, 22, 1.75, -1},
                      {7, 24, 2, -1},
                      {7, 26, 2.25, -1},
                      {7, 28, 2.5, -1},
                      {7, 31, 2.75, -1},
                      {7, 33, 3, -1},
                      {7, 36, 3.25, -1},
                      {7, 40, 3.5, -1},
                      {7, 43, 3.75, -1},
                      {7, 47, 4, -1},
                      {7, 51, 4, -1}});
    EXPECT_EQ(8 + 51, rig.ball->getCentreY());
    EXPECT_EQ(1, rig.rolling.count());
}

// A ball at 47 rolling at 4 (fraction 0.25, next step 4) meets a stream
// started at the bottom (200): the head climbs 60 a tick; contact when the
// head reaches distance + 22. The live stream takes 5 off a descending ball,
// then 9 a tick; the ball is pushed past the top and reports its colour.
TEST(TrackTest, WaterMeetsTheBallAndPushesItOffTheTop) {
    Rig rig(200);
    rig.roll(1, 47, 4, 4, 0.25);
    rig.track.water(true);
    // Heads 140, 80, then 20 < 59 + 22: contact, v = -1 (step 0, fraction -0.75).
    expectTrace(rig, {{7, 51, 4, -1},
                      {7, 55, 4, -1},
                      {7, 59, -1, -2},
                      {7, 59, -10, -2},
                      {7, 49, -19, -2},
                      {7, 30, -28, -2},
                      {7, 2, -37, -2},
                      {8, 0, -37, 1}});
    EXPECT_EQ(400, rig.ball->getCentreX());
    EXPECT_EQ(0, rig.ball->getCentreY());
    EXPECT_EQ(RippleBall::clearBurst, rig.ball->getAnimState());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(-1, rig.step());
    EXPECT_EQ(Track::clearBurst, rig.track.getState());
    rig.step();
    EXPECT_EQ(Track::idle, rig.track.getState());
}

TEST(TrackTest, PushedPastTheTopAndReachingTheBottom) {
    struct Case {
        const char* name;
        int distance;
        int step;
        int result;
        int state;
    } cases[] = {
        {"step -5 from 3 clears without wrapping", 3, -5, 5, Track::clearBurst},
        {"step -3 from 3 lands on point 0", 3, -3, -1, Track::rollingDown},
        {"exactly the last point still rolls", 25, 4, -1, Track::rollingDown},
        {"exactly the length is the bottom", 25, 5, -3, Track::idle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(30);
        rig.roll(5, c.distance, 0.5, c.step);
        EXPECT_EQ(c.result, rig.step());
        EXPECT_EQ(c.state, rig.track.getState());
        EXPECT_EQ(c.state == Track::rollingDown ? c.distance + c.step : 0, rig.ball->distance);
    }
}

// At the bottom the ball sinks: 1 tick above 99, 3 in (96, 99], 4 in (90, 96]
// and 4 in (90, 82], shrinking 1, 1.25, 1.5 and 2 and dropping 2, 3, 2 and
// 1 px; below 82 the ripple plays and the ball hides.
TEST(TrackTest, ABallAtTheBottomSinks) {
    Rig rig(30);
    rig.roll(0, 25, 0.5, 5);
    int y = rig.ball->getY();
    EXPECT_EQ(-3, rig.track.tick());
    EXPECT_EQ(RippleBall::sinking, rig.ball->getAnimState());
    std::vector<double> scales;
    lang::Rectangle dirty;
    for (int i = 0; i < 12; ++i) {
        rig.ball->update(i, dirty);
        scales.push_back(rig.ball->sinkScale);
    }
    EXPECT_EQ((std::vector<double>{99, 97.75, 96.5, 95.25, 93.75, 92.25, 90.75, 89.25, 87.25, 85.25,
                                   83.25, 81.25}),
              scales);
    EXPECT_EQ(y + 2 + 3 * 3 + 2 * 4 + 4, rig.ball->getY());
    EXPECT_TRUE(rig.ball->isVisible());
    rig.ball->update(13, dirty);
    EXPECT_EQ(RippleBall::hidden, rig.ball->getAnimState());
    EXPECT_FALSE(rig.ball->isVisible());
}

// Released at once on a long idle track: the stream's head climbed to 2940;
// the tail starts at the bottom (3000) with pressure 128 - 15, and every tick
// both ends move by pressure / 128 x -60 (the sum truncated) while the
// pressure falls by 15; the segment goes on the tick its pressure falls to 8.
TEST(TrackTest, ReleasedWaterRisesWithFallingPressureAndDrainsAway) {
    Rig rig(3000);
    rig.track.water(true);
    rig.step();
    rig.track.water(false);
    EXPECT_EQ("2940:3000:113 ", rig.water());
    std::vector<std::string> expected{"2887:2947:98 ",
                                      "2841:2901:83 ",
                                      "2802:2862:68 ",
                                      "2770:2830:53 ",
                                      "2745:2805:38 ",
                                      "2727:2787:23 ",
                                      ""};
    for (const std::string& w : expected) {
        rig.step();
        EXPECT_EQ(w, rig.water());
    }
}

// Frozen at v 4.7 the ball keeps 4 and slows 1 a tick above 2, then 0.5 a
// tick to rest; it does not move or roll until 120 ticks have passed, then
// it accelerates again.
TEST(TrackTest, AFrozenBallComesToRestAndRollsAgainWhenThawed) {
    Rig rig(3000);
    rig.roll(1, 100, 4.7, 4, 0.7);
    rig.track.freezeBall();
    EXPECT_EQ(0, rig.rolling.count());
    EXPECT_DOUBLE_EQ(4, rig.ball->v);
    int column = rig.ball->getColumn();
    // Steps 4, then 3 + 0.7, 2 + 0.7, 1.5 + 0.7, 1 + 0.2, 0.5 + 0.2 and 0.
    expectTrace(rig, {{7, 104, 3, -1},
                      {7, 107, 2, -1},
                      {7, 109, 1.5, -1},
                      {7, 111, 1, -1},
                      {7, 112, 0.5, -1},
                      {7, 112, 0, -1},
                      {7, 112, 0, -1},
                      {7, 112, 0, -1}});
    EXPECT_EQ(column, rig.ball->getColumn());
    while (rig.ball->isFrozen())
        rig.step();
    EXPECT_EQ(120, rig.time);
    EXPECT_EQ(1, rig.rolling.count());
    rig.step();
    EXPECT_DOUBLE_EQ(0.5, rig.ball->v);
    // A new level clears a freeze without counting the ball as rolling again.
    rig.track.freezeBall();
    rig.track.setLength(rig.path.data(), 3000);
    EXPECT_FALSE(rig.ball->isFrozen());
    EXPECT_EQ(0, rig.rolling.count());
}

// One rolling tick of the velocity rules on a 300-point track: the ball at
// `distance` with v and no step; "live" water was just switched on (its head
// reaches the ball this tick), "released" was switched on and off (pressure
// 113), so only released water touches the ball.
TEST(TrackTest, VelocityRules) {
    struct Case {
        const char* name;
        int colour, ytop, distance;
        double v;
        const char* water;
        bool fast;
        double expected;
    } cases[] = {
        {"coasting up is held to half the force", 1, 0, 100, -40, "none", false, -30},
        {"fast coasting is held to -60", 1, 0, 100, -70, "none", true, -60},
        {"coasting up near 0 stops", 1, 0, 100, -1.5, "none", false, 0},
        {"coasting up slows 2 from its whole part", 1, 0, 100, -10.3, "none", false, -8},
        {"released water takes 1 off a descending ball", 2, 0, 250, 3, "released", false, 2},
        {"fast released water takes 5", 2, 0, 250, 3, "released", true, -2},
        {"low released water adds 2 upwards", 1, 200, 250, -3, "released", false, -5},
        {"low released water stops adding at -6", 1, 200, 250, -7, "released", false, -7},
        {"high released water halves a fast climb", 1, 0, 250, -10, "released", false, -5},
        {"high released water leaves a slow climb", 1, 0, 250, -3, "released", false, -3},
        {"the live stream adds 9 upwards", 1, 0, 250, -47, "live", false, -56},
        {"the live stream snaps to -57 from -48", 1, 0, 250, -48, "live", false, -57},
        {"the fast live stream adds 16", 1, 0, 250, -50, "live", true, -66},
        {"the fast live stream stops at -54", 1, 0, 250, -60, "live", true, -60},
        {"near the bottom 5.7 becomes 5", 2, 0, 250, 5.7, "none", false, 5},
        {"near the bottom a fast colour slows 0.2", 2, 0, 250, 2.5, "none", false, 2.3},
        {"near the bottom a slow colour slows 0.5", 0, 0, 290, 1.8, "none", false, 1.3},
        {"near the bottom nothing rolls below 1", 0, 0, 290, 0.8, "none", false, 1},
        {"far from the bottom 1.4 gains 0.5", 2, 0, 100, 1.4, "none", false, 1.9},
        {"at the top speed nothing is gained", 2, 0, 100, 6, "none", false, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(300, c.ytop);
        rig.roll(c.colour, c.distance, c.v);
        rig.track.setFastWater(c.fast);
        if (std::string(c.water) != "none")
            rig.track.water(true);
        if (std::string(c.water) == "released")
            rig.track.water(false);
        rig.track.tick();
        EXPECT_EQ(std::string(c.water) != "none", rig.track.isInContact());
        EXPECT_NEAR(c.expected, rig.ball->v, 1e-12);
    }
}

// The same for power-up pieces (top speed 6 here): the live stream turns a
// piece at -1 and adds 12 up to -42 (16 up to -54 when fast); a greed piece
// rises gently at -11 to -15, keeps its speed in released water and spins
// faster while held.
TEST(TrackTest, PowerupVelocityRules) {
    struct Case {
        const char* name;
        int code, ytop, distance;
        double v;
        const char* water;
        bool fast;
        double expected;
        int spin;
    } cases[] = {
        {"live water turns a piece at -1", 9, 0, 250, 3, "live", false, -1, 0},
        {"live water adds 12", 9, 0, 260, -30, "live", false, -42, 0},
        {"live water stops adding at -42", 9, 0, 280, -42, "live", false, -42, 0},
        {"fast live water adds 16", 9, 0, 290, -50, "live", true, -66, 0},
        {"low released water adds 2", 9, 200, 250, -3, "released", false, -5, 0},
        {"high released water halves", 9, 0, 250, -10, "released", false, -5, 0},
        {"free pieces gain 1 above 1.5", 9, 0, 100, 5.5, "none", false, 6.5, 0},
        {"greed rises at -11", 18, 0, 250, 2, "live", false, -11, 1},
        {"greed gains a quarter below -11", 18, 0, 260, -12, "live", false, -12.25, 1},
        {"greed rises no faster than -15", 18, 0, 270, -15, "live", false, -15, 1},
        {"greed keeps its speed in released water", 18, 0, 250, -5, "released", false, -5, 1},
        {"free greed coasts and spins down", 18, 0, 100, -5, "none", false, -3, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(300, c.ytop);
        rig.track.assignItem(c.code);
        rig.track.setState(Track::powerupTravelling);
        rig.piece.trackPos = c.distance;
        rig.piece.speed = c.v;
        rig.track.setFastWater(c.fast);
        if (std::string(c.water) != "none")
            rig.track.water(true);
        if (std::string(c.water) == "released")
            rig.track.water(false);
        EXPECT_EQ(std::string(c.water) != "none" ? -2 : -1, rig.track.tick());
        EXPECT_NEAR(c.expected, rig.piece.speed, 1e-12);
        EXPECT_EQ(c.spin, rig.piece.spin);
    }
}

// Colour 7 rolls at up to 10, so its warning comes 90 points above the bottom.
TEST(TrackTest, NearBottomWarningComesTopSpeedTimesNineAbove) {
    Rig rig(300);
    rig.roll(7, 205, 10, 4);
    engine::AnimateSprite* warning = rig.ball->getCompanions().warning.get();
    rig.step(); // 209
    EXPECT_FALSE(rig.track.isNearBottom());
    EXPECT_FALSE(warning->isVisible());
    rig.step(); // 219: shown, and the ball slows to |trunc(9.5)| = 9
    EXPECT_TRUE(rig.track.isNearBottom());
    EXPECT_TRUE(warning->isVisible());
    EXPECT_DOUBLE_EQ(9, rig.ball->v);
}

// Fast water doubles the force: the live stream turns a descending ball
// upward at once and then takes 16 a tick. Switching it on while a stream
// runs speeds that stream up too.
TEST(TrackTest, FastWaterTurnsADescendingBallAtOnce) {
    Rig rig(300);
    rig.roll(2, 200, 3, 3);
    rig.track.water(true);
    rig.track.setFastWater(true);
    EXPECT_DOUBLE_EQ(-120, rig.track.getSegments()[0].velocity);
    rig.step(); // 203, head 180: contact
    EXPECT_TRUE(rig.track.isInContact());
    EXPECT_DOUBLE_EQ(-1, rig.ball->v);
    rig.step();
    EXPECT_DOUBLE_EQ(-17, rig.ball->v);
    rig.track.setFastWater(false);
    EXPECT_DOUBLE_EQ(-60, rig.track.getSegments()[0].velocity);
}

// The rolling loop counts freely rolling balls; after a ball was pushed off
// while water touched it, the next ball must start from clear contact flags,
// or its first tick would count "contact ended" and the count would drift.
TEST(TrackTest, TheNextBallStartsWithoutContact) {
    Rig rig(200);
    rig.roll(3, 150, 1, 0);
    EXPECT_EQ(1, rig.rolling.count());
    rig.track.water(true);
    EXPECT_EQ(-2, rig.step()); // head 140 meets the ball: no longer rolling freely
    EXPECT_EQ(0, rig.rolling.count());
    int result = -2;
    while (result == -2)
        result = rig.step();
    EXPECT_EQ(3, result); // pushed off while the water touched it
    EXPECT_FALSE(rig.track.wasContact());
    rig.track.water(false);
    for (int i = 0; i < 20; ++i)
        rig.step();
    ASSERT_EQ(Track::idle, rig.track.getState());
    ASSERT_TRUE(rig.track.getSegments().empty());
    rig.track.assignItem(4);
    rig.track.setState(Track::rollingDown);
    EXPECT_EQ(1, rig.rolling.count());
    rig.step();
    EXPECT_EQ(1, rig.rolling.count());
}

TEST(RollingSoundTest, CountsBallsAndNeverGoesBelowZero) {
    struct Sound : ripple::TrackSound {
        void play(ripple::TrackSound::Sound) override {}
        void loop(ripple::TrackSound::Sound) override { log += "L"; }
        void stop(ripple::TrackSound::Sound) override { log += "S"; }
        void pause(ripple::TrackSound::Sound) override { log += "P"; }
        std::string log;
    } sound;
    ripple::RollingSound rolling(&sound);
    rolling.up();   // 1: loop
    rolling.up();   // 2
    rolling.down(); // 1
    rolling.down(); // from 1: stop
    rolling.down(); // from 0: stop, still 0
    EXPECT_EQ(0, rolling.count());
    rolling.setPaused(true);
    rolling.setPaused(false); // nothing rolls: no loop
    rolling.up();
    EXPECT_EQ("LSSPL", sound.log);
}

// Every path look-up stays on the path: a piece entering at 50 on a shorter
// track stands on its last point; markers above the top stay hidden.
TEST(TrackTest, LookUpsOutsideThePathUseItsEnds) {
    Rig rig(30);
    Track::Parts parts = rig.track.getParts();
    for (int i = 0; i < Track::markerCount; ++i)
        parts.markers.push_back(lang::adopt(new engine::Sprite()));
    rig.track.setParts(parts);
    rig.track.placeMarkers();
    rig.track.showMarkers(true);
    EXPECT_TRUE(parts.markers[0]->isVisible()); // at 30 - 27 = 3
    EXPECT_EQ(3, parts.markers[0]->getY());
    EXPECT_FALSE(parts.markers[1]->isVisible());
    EXPECT_EQ(0, parts.markers[1]->getY());

    rig.track.assignItem(17);
    rig.track.setState(Track::powerupEntering);
    EXPECT_EQ(29, rig.piece.y);
    EXPECT_EQ(29, rig.track.pathPoint(1000)->y);
    EXPECT_EQ(0, rig.track.pathPoint(-5)->y);
}

// The live stream is drawn from 45 above the bottom up to its head, a piece
// every 22 shifted by the scroll phase (6 a tick); released water from its
// tail. Pieces come from the shared pool and go back to it; only the shown
// ones animate.
TEST(TrackTest, WaterPiecesFollowTheStream) {
    Rig rig(300);
    ripple::WaterPool pool;
    std::vector<lang::Ref<engine::AnimateSprite>> pieces;
    for (int i = 0; i < 6; ++i) {
        pieces.push_back(lang::adopt(new engine::AnimateSprite()));
        pieces.back()->setAnimation(2, true);
        pool.add(pieces.back().get(), false);
    }
    auto animatingAreShown = [&] {
        for (auto& piece : pieces)
            if ((piece->getFrameStep() == 2) != piece->isVisible())
                return false;
        return true;
    };
    Track::Parts parts = rig.track.getParts();
    parts.pool = &pool;
    rig.track.setParts(parts);
    auto shown = [&] {
        std::vector<int> ys;
        for (auto& piece : pieces)
            if (piece->isVisible())
                ys.push_back(piece->getY());
        std::sort(ys.begin(), ys.end());
        return ys;
    };
    rig.track.water(true);
    rig.step(); // head 240, phase 6: 255 - 6
    EXPECT_EQ((std::vector<int>{249}), shown());
    rig.step(); // head 180, phase 12
    EXPECT_EQ((std::vector<int>{199, 221, 243}), shown());
    EXPECT_TRUE(animatingAreShown());
    rig.step(); // head 120, phase 18: more pieces than the pool holds
    EXPECT_EQ((std::vector<int>{127, 149, 171, 193, 215, 237}), shown());
    rig.track.water(false); // phase 0; 113 / 128 x -60 moves head and tail to 67 and 247
    rig.step();
    EXPECT_EQ((std::vector<int>{137, 159, 181, 203, 225, 247}), shown());
    rig.track.setState(Track::resetting);
    EXPECT_TRUE(shown().empty());
    EXPECT_TRUE(animatingAreShown());
    rig.track.water(true);
    rig.step();
    EXPECT_EQ(1u, shown().size());
    EXPECT_TRUE(animatingAreShown()) << "a piece taken again animates again";
}

TEST(TrackTest, ATrackWithoutPointsStaysIdle) {
    Rig rig(0);
    rig.track.assignItem(2);
    rig.track.setState(Track::aboutToEnter);
    rig.track.water(true);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(-1, rig.step());
    EXPECT_EQ(Track::idle, rig.track.getState());
    EXPECT_TRUE(rig.track.getSegments().empty());
    EXPECT_EQ(nullptr, rig.track.pathPoint(0));
}

TEST(TrackTest, DelayedStatesAndTheColourBombReport) {
    Rig rig(100);
    rig.roll(2, 50, 1);
    rig.track.setState(Track::colourBombBurst, 3);
    EXPECT_EQ(Track::waiting, rig.track.getState());
    EXPECT_EQ(-1, rig.step());
    EXPECT_EQ(-1, rig.step());
    EXPECT_EQ(-1, rig.step()); // enters the burst
    EXPECT_EQ(Track::colourBombBurst, rig.track.getState());
    EXPECT_EQ(22, rig.step()); // 15 -> 14
    int ticks = 1;
    while (rig.track.getState() == Track::colourBombBurst) {
        EXPECT_EQ(-1, rig.step());
        ++ticks;
    }
    EXPECT_EQ(15, ticks);
}

// A piece enters at 50 and rolls down (0.5, then 1.0 a tick); the live stream
// turns it up at -1 and takes 12 a tick; pushed past the top it reports its
// code and fades out.
TEST(TrackTest, APowerupTravelsAndIsCollected) {
    lang::seed(0);
    Rig rig(400);
    rig.track.assignItem(20);
    rig.track.setState(Track::aboutToEnter);
    for (int i = 0; i < 4; ++i)
        rig.step();
    EXPECT_EQ(Track::powerupEntering, rig.track.getState());
    EXPECT_TRUE(rig.piece.visible);
    EXPECT_EQ(50, rig.piece.trackPos);
    expectTrace(rig, {{11, 50, 0, -1}, {11, 50, 0.5, -1}, {11, 50, 1, -1}, {11, 51, 1.5, -1}});
    rig.track.water(true);
    // Heads 340, 280, 220, 160, 100, then 40 < 75 + 22: contact.
    expectTrace(rig, {{11, 53, 2.5, -1},
                      {11, 55, 3.5, -1},
                      {11, 59, 4.5, -1},
                      {11, 63, 5.5, -1},
                      {11, 69, 6.5, -1},
                      {11, 75, -1, -2},
                      {11, 75, -13, -2},
                      {11, 62, -25, -2},
                      {11, 37, -37, -2},
                      {11, 0, -49, -2},
                      {6, 0, -49, 20}});
    EXPECT_EQ(1, rig.piece.vanished);
    rig.step();
    EXPECT_EQ(Track::idle, rig.track.getState());
}

TEST(TrackTest, TrackUnderTheMouseUsesMidpointsOfTheBottoms) {
    const int bottoms[] = {100, 201, 300};
    struct Case {
        int x, track;
    } cases[] = {{-5, 0}, {149, 0}, {150, 1}, {249, 1}, {250, 2}, {900, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(c.track, Track::trackUnder(bottoms, 3, c.x)) << c.x;
    EXPECT_EQ(0, Track::trackUnder(bottoms, 1, 900));
}

} // namespace
