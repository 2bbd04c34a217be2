#include "game/RippleMap.h"
#include "core/Class.h"
#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "gfx/Region.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using engine::AnimateSprite;
using lang::adopt;
using lang::Ref;
using ripple::RippleMap;
using testsupport::RecordingListener;
using testsupport::solidImage;

namespace {

// A map over a table where point n lies at (10n, 10n), except point 4 at
// (60, 70) (50 pixels from point 3) and point 7 on point 6. A shown map
// starts the marker's pulse.
struct MapFixture {
    Ref<RippleMap> map = adopt(new RippleMap());
    Ref<AnimateSprite> prototype = adopt(new AnimateSprite());
    Ref<AnimateSprite> marker = adopt(new AnimateSprite());
    RecordingListener listener;
    int time = 1;

    explicit MapFixture(bool shown = true) {
        std::array<RippleMap::Point, RippleMap::pointCount> points{};
        for (int i = 0; i < RippleMap::pointCount; ++i)
            points[i] = {int16_t(10 * (i + 1)), int16_t(10 * (i + 1))};
        points[3] = {60, 70};
        points[6] = points[5];
        prototype->setImage(solidImage(4, 4, 0xFF00FF00).get(), 1, 1);
        marker->setImage(solidImage(8, 8, 0xFFFF0000).get(), 1, 1);
        RippleMap::setMapPoints(points, prototype.get());
        map->setEventListener(&listener);
        if (!shown) {
            // Hidden, as the canvas keeps it until a map visit: one update
            // records that, before a marker could start to pulse.
            map->setVisible(false);
            frame();
        }
        map->setMarker(marker.get());
        if (shown)
            map->setVisible(true);
    }
    // One frame as the canvas runs it: the map, then the marker above it.
    void frame() {
        lang::Rectangle rect;
        lang::Region region;
        map->updateInto(time, rect, region);
        if (map->getMarker())
            marker->update(time, rect);
        ++time;
    }
    int visibleDots() {
        int shown = 0;
        for (int n = 1; n <= RippleMap::pointCount; ++n)
            shown += map->getDot(n) && map->getDot(n)->isVisible() ? 1 : 0;
        return shown;
    }
};

TEST(RippleMapTest, RegisteredWithItsParents) {
    Ref<lang::Object> made = lang::Class::forName("RippleMap")->newInstance();
    for (const char* name : {"RippleMap", "FancyContainer", "Sprite", "SpriteBase", "Object"})
        EXPECT_TRUE(made->instanceOf(name)) << name;
    EXPECT_EQ(static_cast<RippleMap&>(*made).getCurrentPoint(), 0);
}

TEST(RippleMapTest, DotsAreMadeOnceAndShowThePointsBeforeTheCurrentOne) {
    MapFixture f;
    EXPECT_EQ(f.map->getDot(1), nullptr);
    f.map->setCurrentPoint(1);
    ASSERT_EQ(f.map->getChildren()->size(), 50);
    AnimateSprite* first = f.map->getDot(1);
    EXPECT_EQ(first->getX(), 10);
    EXPECT_EQ(f.map->getDot(4)->getX(), 60);
    EXPECT_EQ(f.map->getDot(4)->getY(), 70);
    EXPECT_EQ(f.visibleDots(), 0);

    f.map->setCurrentPoint(5);
    EXPECT_EQ(f.map->getChildren()->size(), 50);
    EXPECT_EQ(f.map->getDot(1), first);
    EXPECT_EQ(f.visibleDots(), 5);
    EXPECT_TRUE(f.map->getDot(5)->isVisible());
    EXPECT_EQ(f.marker->getX(), 50);
}

TEST(RippleMapTest, MarkerTravelsAtOnePixelPerUpdateAndReportsOnArrival) {
    struct Case {
        bool shown;
        int from, to;
        int arrivalTick; // the update that posts "mappointupdated"
        int endX, endY;
    };
    const Case cases[] = {
        {false, 3, 4, 50, 60, 70},    // 30 x 40: 50 updates
        {false, 1, 1, 1, 10, 10},     // already there: the next update
        {false, 6, 7, 1, 60, 60},     // same place: jumps on the next update
        {false, 50, 51, 1, 500, 500}, // past the last point: stays on point 50
        {false, 0, 1, 1, 10, 10},     // before the first point: point 1
        // On a shown map the marker's completion waits for the pulse half
        // under way to end too: the halves end on updates 18, 36 and 54.
        {true, 3, 4, 54, 60, 70},
        {true, 1, 1, 18, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to << " shown " << c.shown);
        MapFixture f(c.shown);
        f.map->setCurrentPoint(c.from);
        f.map->moveMarkerTo(c.to);
        int arrived = 0;
        for (int tick = 1; tick <= 80 && !arrived; ++tick) {
            f.frame();
            if (!f.listener.takeEvents().empty())
                arrived = tick;
            if (c.from == 3 && tick == 30) {
                // Each update covers the remaining distance over the
                // remaining steps, rounded towards the start.
                EXPECT_EQ(f.marker->getX(), 40);
                EXPECT_EQ(f.marker->getY(), 50);
            }
        }
        EXPECT_EQ(arrived, c.arrivalTick);
        EXPECT_EQ(f.marker->getX(), c.endX);
        EXPECT_EQ(f.marker->getY(), c.endY);
        EXPECT_EQ(f.listener.lastSource(), f.marker.get());
    }
}

TEST(RippleMapTest, MoveShowsThePreviousDotAndPauseEndsAfter75Updates) {
    MapFixture f(false);
    f.map->setCurrentPoint(3);
    f.map->moveMarkerTo(4);
    EXPECT_EQ(f.map->getCurrentPoint(), 4);
    EXPECT_EQ(f.visibleDots(), 3);
    for (int i = 0; i < 50; ++i)
        f.frame();
    EXPECT_EQ(f.listener.takeEvents(), std::vector<std::string>{"mappointupdated"});

    f.map->pauseOnPoint();
    for (int i = 0; i < 74; ++i)
        f.frame();
    EXPECT_TRUE(f.listener.takeEvents().empty());
    f.frame();
    EXPECT_EQ(f.listener.takeEvents(), std::vector<std::string>{"mappausedone"});
    EXPECT_EQ(f.listener.lastSource(), f.map->getDot(1));
    EXPECT_EQ(f.map->getDot(1)->getX(), 10);
}

TEST(RippleMapTest, MarkerBreathesBetween70And128) {
    MapFixture f;
    f.map->setCurrentPoint(2);
    EXPECT_EQ(f.marker->getLevel(), 70);
    const int expected[] = {128, 70, 128};
    for (int level : expected) {
        for (int i = 0; i < RippleMap::pulseSteps; ++i)
            f.frame();
        EXPECT_EQ(f.marker->getLevel(), level);
    }
    // The pulse never posts an event of its own.
    EXPECT_TRUE(f.listener.takeEvents().empty());

    // Hiding the map hides the marker and keeps the dots' own flags.
    f.map->setVisible(false);
    EXPECT_FALSE(f.marker->isVisible());
    EXPECT_TRUE(f.map->getDot(1)->isVisible());
}

TEST(RippleMapTest, WithoutAMarkerMovesAndPausesDoNothing) {
    Ref<RippleMap> map = adopt(new RippleMap());
    RecordingListener listener;
    map->setEventListener(&listener);
    map->moveMarkerTo(3);
    map->pauseOnPoint();
    EXPECT_EQ(map->getCurrentPoint(), 0);
}

} // namespace
