#include "core/IntArray.h"
#include "engine/AnimateSprite.h"
#include "game/RippleMap.h"
#include "support/GameDialogBench.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

using engine::AnimateSprite;
using lang::adopt;
using lang::Ref;
using ripple::RippleMap;
using testsupport::solidImage;

namespace {

// The map as the canvas composes it: a dark field, the map with its dots
// (green 4 x 4, point n at (20n, 100)) and the red 8 x 8 marker above it.
TEST(RippleMapFrameTest, ComposedFrameShowsTheDotsReachedAndTheTravellingMarker) {
    testsupport::GameDialogBench bench("", {});
    Ref<AnimateSprite> field = adopt(new AnimateSprite());
    field->setImage(solidImage(800, 600, 0xFF000000u).get(), 1, 1);
    Ref<AnimateSprite> prototype = adopt(new AnimateSprite());
    prototype->setImage(solidImage(4, 4, 0xFF00FF00u).get(), 1, 1);
    Ref<AnimateSprite> marker = adopt(new AnimateSprite());
    marker->setImage(solidImage(8, 8, 0xFFFF0000u).get(), 1, 1);
    std::array<RippleMap::Point, RippleMap::pointCount> points{};
    for (int i = 0; i < RippleMap::pointCount; ++i)
        points[i] = {int16_t(20 * (i + 1)), 100};
    RippleMap::setMapPoints(points, prototype.get());
    Ref<RippleMap> map = adopt(new RippleMap());
    Ref<lang::IntArray> area = adopt(new lang::IntArray(4));
    area->set(2, 800);
    area->set(3, 600);
    map->configure(nullptr, area.get());
    testsupport::RecordingListener listener;
    map->setEventListener(&listener);
    map->setMarker(marker.get());
    bench.canvas->addToScene(lang::String("field"), field.get(), -1);
    bench.canvas->addToScene(lang::String("map"), map.get(), -1);
    bench.canvas->addToScene(lang::String("marker"), marker.get(), -1);
    map->setCurrentPoint(4);
    map->setVisible(true);
    map->moveMarkerTo(5);
    bench.steps(10); // half way from (80, 100) to (100, 100)

    Ref<lang::Image> frame = bench.canvas->getBackBuffer();
    ASSERT_TRUE(frame);
    auto at = [&](int x, int y) { return testsupport::pixelAt(*frame, x, y); };
    // The dots of points 1 to 4 (the marker's start point included).
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(at(20 * n + 1, 101), 0xFF00FF00u) << n;
    // Points not reached yet show nothing.
    EXPECT_EQ(at(20 * 6 + 1, 101), 0xFF000000u);
    EXPECT_EQ(at(20 * 20 + 1, 101), 0xFF000000u);
    // The marker is half way, pulsing: red of some strength, nothing else.
    uint32_t m = at(93, 104);
    EXPECT_GT((m >> 16) & 0xFF, 0x60u);
    EXPECT_EQ(m & 0xFFFF, 0u);
    EXPECT_EQ(at(89, 104), 0xFF000000u);
    EXPECT_EQ(at(98, 104) & 0xFFFF, 0u);

    // Arrived on update 20; the event waits for the second pulse half to end
    // (update 36), as on any shown map.
    bench.steps(25);
    EXPECT_TRUE(listener.takeEvents().empty());
    bench.steps(1);
    EXPECT_EQ(listener.takeEvents(), std::vector<std::string>{"mappointupdated"});
    m = at(103, 103);
    EXPECT_GT((m >> 16) & 0xFF, 0x60u);
    EXPECT_EQ(at(93, 104), 0xFF000000u); // nothing left where it passed
}

} // namespace
