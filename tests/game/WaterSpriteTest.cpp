#include "game/WaterSprite.h"

#include "core/Class.h"
#include "game/WaterCollisionSprite.h"
#include "gfx/Region.h"
#include "support/GameDialogBench.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <tuple>
#include <vector>

using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using ripple::WaterCollisionSprite;
using ripple::WaterSprite;
using testsupport::solidImage;

namespace {

using Area = std::tuple<int, int, int, int>;

// A region that keeps the areas added to it, in order.
class RecordingRegion : public lang::Region {
public:
    void add(const Rectangle& r) override {
        areas.emplace_back(r.x, r.y, r.width, r.height);
        Region::add(r);
    }
    std::vector<Area> areas;
};

std::vector<Area> reported(WaterSprite& piece, int time) {
    RecordingRegion region;
    Rectangle rect;
    piece.updateInto(time, rect, region);
    // The rectangle only bounds them.
    Rectangle bounds;
    for (auto [x, y, w, h] : region.areas)
        engine::Sprite::unite(bounds, Rectangle(x, y, w, h));
    EXPECT_EQ(Area(rect.x, rect.y, rect.width, rect.height),
              Area(bounds.x, bounds.y, bounds.width, bounds.height));
    return region.areas;
}

TEST(WaterSpriteTest, ReportsWhereItWasPaintedOnceAndWhereItIsNow) {
    Ref<lang::Object> made = lang::Class::forName("WaterSprite")->newInstance();
    for (const char* name : {"WaterSprite", "AnimateSprite", "Sprite", "SpriteBase", "Object"})
        EXPECT_TRUE(made->instanceOf(name)) << name;

    Ref<WaterSprite> piece = adopt(new WaterSprite());
    piece->setImage(solidImage(16, 8, 0xFF2060FF).get(), 2, 1);
    piece->setLocation(10, 10);
    Ref<lang::Image> target = solidImage(64, 64, 0xFF000000);
    Ref<lang::Graphics> g = testsupport::graphicsOn(target.get());

    EXPECT_EQ(reported(*piece, 1), (std::vector<Area>{{10, 10, 8, 8}}));
    piece->paint(*g);
    EXPECT_EQ(reported(*piece, 2), std::vector<Area>{}); // nothing changed

    struct Step {
        const char* what;
        void (*change)(WaterSprite&);
        bool paintAfter;
        std::vector<Area> areas;
    };
    const Step steps[] = {
        {"moved after a paint: old and new",
         [](WaterSprite& p) { p.setLocation(14, 10); },
         false,
         {{10, 10, 8, 8}, {14, 10, 8, 8}}},
        {"moved again unpainted: the old area is not reported twice",
         [](WaterSprite& p) { p.setLocation(14, 20); },
         true,
         {{14, 20, 8, 8}}},
        {"new frame in place after a paint",
         [](WaterSprite& p) { p.setFrame(1); },
         true,
         {{14, 20, 8, 8}, {14, 20, 8, 8}}},
        {"hidden: where it was",
         [](WaterSprite& p) { p.setVisible(false); },
         false,
         {{14, 20, 8, 8}, {14, 20, 8, 8}}},
    };
    int time = 3;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.change(*piece);
        EXPECT_EQ(reported(*piece, time++), s.areas);
        if (s.paintAfter)
            piece->paint(*g);
    }
    EXPECT_EQ(piece->getLastPainted().width, 0);

    // A copy is a water piece with the same animation.
    Ref<engine::Sprite> copy = piece->copy();
    ASSERT_TRUE(copy->instanceOf("WaterSprite"));
    EXPECT_EQ(static_cast<WaterSprite&>(*copy).getFrame(), 1);
    EXPECT_EQ(copy->getX(), 14);
}

// Through the canvas: a stream of pieces climbing two pixels a frame leaves
// no water behind it, and the collision spray, turned and larger than its
// own cell, is drawn whole and erased whole when it stops.
struct StreamBench {
    testsupport::GameDialogBench bench{"", {}};
    Ref<engine::AnimateSprite> field = adopt(new engine::AnimateSprite());
    std::vector<Ref<WaterSprite>> pieces;
    Ref<WaterCollisionSprite> spray = adopt(new WaterCollisionSprite());

    StreamBench(int sprayCell) {
        field->setImage(solidImage(800, 600, 0xFF000000).get(), 1, 1);
        bench.canvas->addToScene(lang::String("field"), field.get(), -1);
        for (int i = 0; i < 5; ++i) {
            Ref<WaterSprite> p = adopt(new WaterSprite());
            p->setImage(solidImage(6, 6, 0xFF2060FF).get(), 1, 1);
            p->setLocation(100, 300 + 10 * i);
            bench.canvas->addToScene(lang::String(), p.get(), -1);
            pieces.push_back(p);
        }
        Ref<engine::Sprite> prototype = adopt(new engine::Sprite());
        prototype->setImage(solidImage(20 * sprayCell, sprayCell + 1, 0xFFFFFFFF).get());
        WaterCollisionSprite::setPrototype(prototype.get());
        spray->init();
        spray->setVisible(false);
        bench.canvas->addToScene(lang::String(), spray.get(), -1);
    }
    uint32_t at(int x, int y) { return testsupport::pixelAt(*bench.canvas->getBackBuffer(), x, y); }
    // Pixels in the box that are not the black field.
    int lit(int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += at(x, y) != 0xFF000000u ? 1 : 0;
        return n;
    }
};

TEST(WaterSpriteTest, MovingStreamLeavesNoWaterBehind) {
    StreamBench s(5);
    s.bench.steps(2);
    EXPECT_EQ(s.at(102, 302), 0xFF2060FFu);
    for (int frame = 0; frame < 10; ++frame) {
        for (auto& p : s.pieces)
            p->setLocation(p->getX(), p->getY() - 2);
        s.bench.steps(1);
    }
    // Each piece rose 20 pixels: exactly five 6 x 6 blocks remain lit.
    EXPECT_EQ(s.lit(90, 270, 120, 360), 5 * 36);
    EXPECT_EQ(s.at(102, 282), 0xFF2060FFu);
    EXPECT_EQ(s.at(102, 302), 0xFF2060FFu); // the second piece arrived here
    EXPECT_EQ(s.at(102, 345), 0xFF000000u); // the last one left
}

TEST(WaterSpriteTest, CollisionSprayIsDrawnWholeAndErasedWhole) {
    // Odd and even cells, turned by each slot's angle: the area the spray
    // reports must hold every pixel it draws.
    for (int cell : {5, 6, 9}) {
        for (double angle : {0.0, 0.3, 0.7, -0.7, 2 * std::numbers::pi - 0.01}) {
            SCOPED_TRACE(testing::Message() << "cell " << cell << " angle " << angle);
            WaterCollisionSprite::clearCache();
            StreamBench s(cell);
            s.spray->setActive(true);
            s.spray->setAngle(angle);
            s.spray->setCentre(400, 200);
            s.bench.steps(3);
            Rectangle drawn = s.spray->getBounds();
            int inside = s.lit(drawn.x, drawn.y, drawn.x + drawn.width, drawn.y + drawn.height);
            EXPECT_GT(inside, 0);
            EXPECT_EQ(s.lit(360, 160, 440, 240), inside);
            // A second frame from the cache draws the same whole image.
            s.bench.steps(1);
            EXPECT_EQ(s.lit(360, 160, 440, 240), inside);

            s.spray->setActive(false);
            s.bench.steps(1);
            EXPECT_EQ(s.lit(360, 160, 440, 240), 0);
        }
    }
}

} // namespace
