#include "game/WaterCollisionSprite.h"
#include "core/Class.h"
#include "gfx/Graphics.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using lang::adopt;
using lang::Ref;
using ripple::WaterCollisionSprite;
using testsupport::solidImage;

namespace {

// A spray over a strip of 20 white cells, each `cell` pixels wide.
Ref<WaterCollisionSprite> makeSpray(int cell = 4) {
    Ref<engine::Sprite> prototype = adopt(new engine::Sprite());
    prototype->setImage(solidImage(20 * cell, 6, 0xFFFFFFFF).get());
    WaterCollisionSprite::setPrototype(prototype.get());
    Ref<WaterCollisionSprite> spray = adopt(new WaterCollisionSprite());
    spray->init();
    return spray;
}

void update(WaterCollisionSprite& spray) {
    lang::Rectangle rect;
    spray.update(1, rect);
}

TEST(WaterCollisionSpriteTest, AngleChoosesTheTurnSlot) {
    const struct {
        double radians;
        int slot;
    } cases[] = {
        {0.0, 3}, {0.3, 5}, {1.0, 6}, {-1.0, 0}, {6.27, 3}, {-0.14, 3}, {-0.3, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WaterCollisionSprite::slotFor(c.radians), c.slot) << c.radians;
}

TEST(WaterCollisionSpriteTest, FramesRunOnceThenLoopFromThreeWhileActiveAndNotFrozen) {
    Ref<WaterCollisionSprite> spray = makeSpray();
    EXPECT_TRUE(lang::Class::forName("WaterCollisionSprite")->newInstance()->instanceOf("Sprite"));
    update(*spray); // inactive: no frame advance
    EXPECT_EQ(spray->getFrame(), 0);
    spray->setActive(true);
    std::vector<int> seen;
    for (int i = 0; i < 40; ++i) {
        update(*spray);
        seen.push_back(spray->getFrame());
    }
    std::vector<int> expected;
    for (int f = 1; f < 20; ++f)
        expected.push_back(f);
    for (int f = 3; expected.size() < 40; f = f == 19 ? 3 : f + 1)
        expected.push_back(f);
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(spray->hasLooped());

    spray->setFrozen(true);
    int frozenAt = spray->getFrame();
    update(*spray);
    EXPECT_EQ(spray->getFrame(), frozenAt);

    // Deactivating forgets the centre until the next setCentre while active.
    spray->setCentre(50, 60);
    spray->setActive(false);
    EXPECT_EQ(spray->getCentreX(), -1);
    EXPECT_FALSE(spray->hasLooped());
    spray->setCentre(10, 10);
    spray->setActive(true);
    EXPECT_EQ(spray->getCentreY(), -1);
}

TEST(WaterCollisionSpriteTest, TurnedFramesAreMadeOnceAndSharedBySprays) {
    WaterCollisionSprite::clearCache();
    std::vector<Ref<WaterCollisionSprite>> sprays;
    for (int i = 0; i < 12; ++i) {
        sprays.push_back(makeSpray());
        sprays.back()->setActive(true);
        sprays.back()->setCentre(40, 40);
        sprays.back()->setAngle(0.02 * i); // 0..12.6 degrees: slots 3, 4 and 5
        update(*sprays.back());            // visible at its last update
    }
    Ref<lang::Image> target = solidImage(80, 80, 0xFF000000);
    Ref<lang::Graphics> g = testsupport::graphicsOn(target.get());
    for (int round = 0; round < 3; ++round)
        for (auto& spray : sprays)
            spray->paint(*g);
    EXPECT_EQ(WaterCollisionSprite::rotationCount(), 3);
    // The white burst lands centred on (40, 40).
    EXPECT_EQ(testsupport::pixelAt(*target, 40, 40), 0xFFFFFFFFu);
    EXPECT_EQ(testsupport::pixelAt(*target, 5, 5), 0xFF000000u);

    // A strip too narrow for 20 cells draws nothing and turns nothing.
    WaterCollisionSprite::clearCache();
    Ref<WaterCollisionSprite> narrow = makeSpray(0);
    narrow->setActive(true);
    narrow->setCentre(40, 40);
    update(*narrow);
    narrow->paint(*g);
    EXPECT_EQ(WaterCollisionSprite::rotationCount(), 0);
}

} // namespace
