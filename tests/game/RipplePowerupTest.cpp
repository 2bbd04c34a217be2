#include "game/RipplePowerup.h"
#include "core/Class.h"
#include "core/Random.h"
#include "engine/NumberSprite.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

using engine::AnimateSprite;
using engine::NumberSprite;
using lang::adopt;
using lang::Ref;
using ripple::RipplePowerup;
using testsupport::solidImage;

namespace {

// A piece of 2 x 2 frames, `columns` to a row and one row per code 9..21,
// with a glow of eight 10 x 6 frames and a number 6 pixels high.
struct Piece {
    Ref<RipplePowerup> piece = adopt(new RipplePowerup());
    Ref<AnimateSprite> glow = adopt(new AnimateSprite());
    Ref<NumberSprite> number = adopt(new NumberSprite());
    int time = 1;

    explicit Piece(int columns = 4) {
        piece->setImage(solidImage(2 * columns, 26, 0xFFFFFFFF).get(), columns, 13);
        glow->setImage(solidImage(80, 6, 0xFFFFFFFF).get(), 8, 1);
        number->setImage(solidImage(60, 6, 0xFFFFFFFF).get());
        piece->setAttachments(glow.get(), number.get());
    }
    // One update on an odd tick, when the two-tick row animation rests.
    void update() {
        lang::Rectangle rect;
        piece->update(time, rect);
        time += 2;
    }
};

TEST(RipplePowerupTest, CreatedByNameAndCopiedAsAFreshPiece) {
    lang::Class* type = lang::Class::forName("RipplePowerup");
    ASSERT_NE(type, nullptr);
    Ref<lang::Object> made = type->newInstance();
    for (const char* name : {"RipplePowerup", "AnimateSprite", "Sprite", "SpriteBase", "Object"})
        EXPECT_TRUE(made->instanceOf(name)) << name;

    Piece p;
    p.piece->setType(19);
    p.piece->setFrame(50);
    p.piece->trackPos = 40;
    Ref<engine::Sprite> copied = p.piece->copy();
    RipplePowerup* piece = lang::as<RipplePowerup>(copied);
    ASSERT_NE(piece, nullptr);
    RipplePowerup& copy = *piece;
    EXPECT_EQ(copy.getType(), 9);
    EXPECT_EQ(copy.trackPos, 0);
    EXPECT_EQ(copy.spinStep, 1);
    EXPECT_EQ(copy.speed, 1.0);
    EXPECT_EQ(copy.maxSpeed, 6.0);
    EXPECT_EQ(copy.getGlow(), nullptr);
    EXPECT_EQ(copy.getFrame(), 50);
    EXPECT_EQ(copy.getColumns(), 4);
}

TEST(RipplePowerupTest, TypeSetsRowSpeedNumberAndGlow) {
    struct Case {
        int code, frame;
        double maxSpeed;
        int spinStep;
        bool numberShown;
        int numberValue, glowFrame;
    };
    // The points piece draws g from 38 / 32768 x 12345 = 14: g = 14 mod 5 + 1.
    const Case cases[] = {
        {9, 0, 6.0, 1, false, 0, 0},   {15, 24, 6.0, 1, false, 0, 6},
        {16, 28, 6.0, 1, false, 0, 7}, {17, 32, 6.0, 1, false, 0, 7},
        {18, 36, 4.0, 0, false, 0, 7}, {19, 40, 13.0, 1, true, -2500, 7},
        {21, 48, 6.0, 1, false, 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Piece p;
        p.piece->setVisible(true);
        p.number->setValue(-300);
        p.piece->spinStep = 7;
        lang::seed(0);
        p.piece->setType(c.code);
        EXPECT_FALSE(p.piece->isVisible());
        EXPECT_FALSE(p.glow->isVisible());
        EXPECT_EQ(p.piece->getFrame(), c.frame);
        EXPECT_EQ(p.piece->maxSpeed, c.maxSpeed);
        EXPECT_EQ(p.piece->speed, 0.0);
        EXPECT_EQ(p.piece->spinStep, c.spinStep);
        EXPECT_EQ(p.number->isVisible(), c.numberShown);
        if (c.code == 18 || c.code == 19) {
            EXPECT_EQ(p.number->getValue(), c.numberValue);
        }
        EXPECT_EQ(p.glow->getFrame(), c.glowFrame);
        EXPECT_EQ(p.glow->getTargetAlpha(), 20);
        EXPECT_EQ(p.piece->getValue(), -c.numberValue);
        EXPECT_NE(RipplePowerup::startLevelTextName(c.code), nullptr);
    }
    EXPECT_EQ(RipplePowerup::startLevelTextName(8), nullptr);
}

TEST(RipplePowerupTest, SpinStaysWithinTheRow) {
    struct Case {
        int columns, code, frame, spinStep, next;
    };
    const Case cases[] = {
        {10, 12, 38, 3, 31},
        {10, 12, 30, 0, 30},
        {10, 12, 35, 4, 39},
        // A step longer than the row still lands in it.
        {4, 9, 1, 12, 1},
        {4, 10, 7, 11, 6},
    };
    for (const Case& c : cases) {
        Piece p(c.columns);
        p.piece->setType(c.code);
        p.piece->setVisible(true);
        p.piece->setFrame(c.frame);
        p.piece->spinStep = c.spinStep;
        p.update();
        EXPECT_EQ(p.piece->getFrame(), c.next) << c.columns << " " << c.frame;
    }
    Piece paused;
    paused.piece->setType(9);
    paused.piece->setVisible(true);
    paused.piece->setPaused(true);
    paused.update();
    EXPECT_EQ(paused.piece->getFrame(), 0);
}

TEST(RipplePowerupTest, GreedCountsWhileSpinningFast) {
    Piece p;
    p.piece->setType(18);
    p.piece->setVisible(true);
    p.piece->spinStep = 1;
    p.update();
    EXPECT_EQ(p.number->getValue(), 0);
    EXPECT_FALSE(p.number->isVisible());

    p.piece->spinStep = 12;
    p.update();
    EXPECT_EQ(p.number->getValue(), -84);
    EXPECT_TRUE(p.number->isVisible());

    // In the sixth thousand the piece may travel at 5, and no faster.
    p.number->setValue(-4950);
    p.update();
    EXPECT_EQ(p.number->getValue(), -5034);
    EXPECT_EQ(p.piece->maxSpeed, 5.0);
    p.update();
    EXPECT_EQ(p.piece->maxSpeed, 5.0);

    p.number->setValue(-24950);
    p.update();
    EXPECT_EQ(p.number->getValue(), -25000);
    p.update();
    EXPECT_EQ(p.number->getValue(), -25000);
    EXPECT_EQ(p.piece->getValue(), 25000);
    EXPECT_EQ(p.piece->maxSpeed, 7.0);
}

TEST(RipplePowerupTest, GlowPulsesBetweenItsLevels) {
    Piece p;
    p.piece->setType(17);
    p.piece->setVisible(true);
    p.piece->startPulse();
    EXPECT_EQ(p.glow->getTargetAlpha(), 40);
    p.glow->setTint(40, 128, 128, 128);
    p.update();
    EXPECT_EQ(p.glow->getTargetAlpha(), 128);
    EXPECT_EQ(p.piece->getTargetAlpha(), 128);
    // Mid-fade levels are left alone, and a hidden glow does not pulse.
    p.glow->setTint(90, 128, 128, 128);
    p.glow->fadeTo(128, 10);
    p.update();
    EXPECT_EQ(p.glow->getTargetAlpha(), 128);
    p.piece->setGlowHidden(true);
    EXPECT_FALSE(p.glow->isVisible());
    p.glow->setTint(40, 128, 128, 128);
    p.update();
    EXPECT_EQ(p.glow->getTargetAlpha(), 40);
    p.piece->setGlowHidden(false);
    EXPECT_TRUE(p.glow->isVisible());
    EXPECT_EQ(p.glow->getLevel(), 41);
}

TEST(RipplePowerupTest, AttachmentsFollowThePiece) {
    Piece p;
    p.piece->setType(19);
    p.piece->setLocation(100, 200);
    EXPECT_EQ(p.glow->getX(), 96);
    EXPECT_EQ(p.glow->getY(), 198);
    EXPECT_EQ(p.number->getX(), 101);
    EXPECT_EQ(p.number->getY(), 188);
    p.piece->appear();
    EXPECT_TRUE(p.piece->isVisible());
    EXPECT_TRUE(p.glow->isVisible());
    EXPECT_EQ(p.piece->getLevel(), 50);
    p.piece->trackPos = 12;
    p.piece->reset();
    EXPECT_FALSE(p.piece->isVisible());
    EXPECT_FALSE(p.glow->isVisible());
    EXPECT_FALSE(p.number->isVisible());
    EXPECT_EQ(p.piece->trackPos, 0);
    EXPECT_EQ(p.piece->getX(), -100);
}

} // namespace
