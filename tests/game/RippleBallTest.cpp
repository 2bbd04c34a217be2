#include "game/RippleBall.h"
#include "core/Class.h"
#include "game/RippleBigBall.h"
#include "gfx/Rectangle.h"
#include "gfx/Region.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using ripple::RippleBall;

namespace {

constexpr int cell = 8;

// A ball on a sheet of 63 x 8 opaque cells of 8 x 8, colour c painted 0xFF0000c0 + c.
lang::Ref<RippleBall> sheetBall() {
    auto sheet = testsupport::solidImage(63 * cell, 8 * cell, 0xFF0000C0);
    for (int row = 0; row < 8; ++row)
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < 63 * cell; ++x)
                sheet->getPixels()[(row * cell + y) * sheet->getWidth() + x] = 0xFF0000C0u + row;
    auto ball = lang::adopt(new RippleBall());
    ball->setImage(sheet.get(), 63, 8);
    ball->setColour(3);
    return ball;
}

TEST(RippleBallTest, AnswersAsASpriteAndIsCreatedByName) {
    auto ball = lang::adopt(new RippleBall());
    struct Case {
        const char* name;
        bool answers;
    } cases[] = {{"RippleBall", true}, {"rippleball", true}, {"Sprite", true},
                 {"SpriteBase", true}, {"Object", true},     {"AnimateSprite", false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.answers, ball->instanceOf(c.name)) << c.name;
    lang::Class* type = lang::Class::forName("RippleBall");
    ASSERT_NE(nullptr, type);
    EXPECT_TRUE(type->newInstance()->instanceOf("RippleBall"));
    EXPECT_TRUE(ball->copy()->instanceOf("RippleBall"));
}

TEST(RippleBallTest, TopSpeedsAndTheSheetCell) {
    const double speeds[] = {2, 4, 6, 5, 6, 7, 8, 10, 2};
    for (int c = 0; c <= 8; ++c)
        EXPECT_DOUBLE_EQ(speeds[c], RippleBall::topSpeedOf(c)) << c;
    auto ball = sheetBall();
    EXPECT_EQ(3 * 63 + 29, ball->getFrame());
    ball->setColumn(-1);
    EXPECT_EQ(62, ball->getColumn());
}

// Turned by a quarter turn the cell is drawn centred where the unturned cell
// would be; turned by an eighth it needs a larger area, which the ball
// reports as its bounds.
TEST(RippleBallTest, DrawsItsCellTurnedAndCentred) {
    auto ball = sheetBall();
    ball->setCentre(20, 20);
    lang::Rectangle dirty;
    ball->direction = std::numbers::pi / 2;
    ball->update(1, dirty);
    lang::Rectangle straight = ball->getBounds();
    EXPECT_NEAR(20, straight.x + straight.width / 2, 1);
    EXPECT_NEAR(20, straight.y + straight.height / 2, 1);
    EXPECT_LE(straight.width, cell + 2);

    auto target = testsupport::solidImage(40, 40, 0);
    ball->paint(*testsupport::graphicsOn(target.get()));
    EXPECT_EQ(0xFF0000C3u, testsupport::pixelAt(*target, 20, 20));
    EXPECT_EQ(0u, testsupport::pixelAt(*target, 20, 20 + cell));

    ball->direction = std::numbers::pi / 4;
    ball->update(2, dirty);
    EXPECT_GT(ball->getBounds().width, cell + 2);
}

// A rolling ball repaints where it was and where it is, not the span between.
TEST(RippleBallTest, ReportsItsOldAndNewAreasApart) {
    auto ball = sheetBall();
    ball->setCentre(20, 20);
    lang::Rectangle dirty;
    lang::Region first;
    ball->updateInto(1, dirty, first);
    auto target = testsupport::solidImage(100, 100, 0);
    ball->paint(*testsupport::graphicsOn(target.get()));

    ball->setCentre(70, 20);
    lang::Region region;
    ASSERT_TRUE(ball->updateInto(2, dirty, region));
    EXPECT_TRUE(region.intersects(lang::Rectangle(18, 18, 4, 4)));
    EXPECT_TRUE(region.intersects(lang::Rectangle(68, 18, 4, 4)));
    EXPECT_FALSE(region.intersects(lang::Rectangle(40, 18, 4, 4)));
}

// The big ball waits 15 ticks, then steps a column a tick and stays on the
// last; its overlay is drawn centred over the cell.
TEST(RippleBigBallTest, WaitsThenStepsToItsLastColumn) {
    auto ball = lang::adopt(new ripple::RippleBigBall());
    EXPECT_TRUE(ball->instanceOf("RippleBigBall"));
    EXPECT_FALSE(ball->instanceOf("AnimateSprite"));
    ball->setImage(testsupport::solidImage(6 * cell, 8 * cell, 0xFF112233).get());
    ball->setColour(9);
    EXPECT_EQ(7, ball->getColour());
    std::vector<int> columns;
    lang::Rectangle dirty;
    for (int t = 1; t <= 22; ++t) {
        ball->update(t, dirty);
        columns.push_back(ball->getColumn());
    }
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5}),
              columns);
    EXPECT_TRUE(lang::Class::forName("RippleBigBall") != nullptr);
}

} // namespace
