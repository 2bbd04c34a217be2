#include "engine/AnimateSprite.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using engine::AnimateSprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::pixelAt;
using testsupport::RecordingListener;
using testsupport::solidImage;

namespace {

// A strip of `count` frames of 2 x 2 pixels in `columns` columns; frame n is
// filled with 0xFF000000 + n + 1.
Ref<lang::Image> frameStrip(int count, int columns) {
    int rows = (count + columns - 1) / columns;
    auto image = solidImage(columns * 2, rows * 2, 0);
    for (int n = 0; n < count; ++n)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                image->getPixels()[(n / columns * 2 + dy) * columns * 2 + n % columns * 2 + dx] =
                    0xFF000000u + n + 1;
    image->setHasAlpha(true);
    return image;
}

struct Animated {
    Ref<lang::Image> image;
    Ref<AnimateSprite> sprite;
    RecordingListener listener;
    int time = 0;

    explicit Animated(int count, int columns = 0) {
        image = frameStrip(count, columns ? columns : count);
        sprite = adopt(new AnimateSprite());
        int cols = columns ? columns : count;
        sprite->setImage(image.get(), cols, (count + cols - 1) / cols);
        sprite->setListener(&listener, lang::String("done"));
        step();
    }
    // One update at the next time value; true when it reported a change.
    bool step() {
        Rectangle rect;
        return sprite->update(time++, rect);
    }
    std::vector<int> frames(int updates) {
        std::vector<int> seen;
        for (int i = 0; i < updates; ++i) {
            step();
            seen.push_back(sprite->getFrame());
        }
        return seen;
    }
};

using Frames = std::vector<int>;

} // namespace

TEST(AnimateSpriteFrameTest, GridSetsFrameCountAndFrameSize) {
    auto image = solidImage(12, 8, 0xFF000000u);
    auto sprite = adopt(new AnimateSprite());
    sprite->setImage(image.get(), 3, 2);
    EXPECT_EQ(sprite->getFrameCount(), 6);
    EXPECT_EQ(sprite->getWidth(), 4);
    EXPECT_EQ(sprite->getHeight(), 4);
    sprite->setImage(image.get(), 0, -2);
    EXPECT_EQ(sprite->getFrameCount(), 1);
    EXPECT_EQ(sprite->getWidth(), 12);
    sprite->setImage(image.get(), 3, 2);
    sprite->setFrame(9);
    EXPECT_EQ(sprite->getFrame(), 5);
    Rectangle rect;
    sprite->update(0, rect);
    sprite->setFrame(5);
    EXPECT_FALSE(sprite->isDirty()) << "an unchanged frame repaints nothing";
    sprite->setFrame(2);
    EXPECT_TRUE(sprite->isDirty());
}

TEST(AnimateSpriteFrameTest, PaintSelectsTheCurrentCell) {
    Animated a(6, 3); // 3 columns, 2 rows
    auto canvas = solidImage(6, 6, 0xFFFFFFFFu);
    auto g = testsupport::graphicsOn(canvas.get());
    a.sprite->setLocation(2, 1);
    for (int n : {0, 4, 5}) {
        a.sprite->setFrame(n);
        a.step();
        canvas->clearRect(0, 0, 6, 6);
        a.sprite->paint(*g);
        EXPECT_EQ(pixelAt(*canvas, 2, 1), 0xFF000000u + n + 1) << n;
        EXPECT_EQ(pixelAt(*canvas, 3, 2), 0xFF000000u + n + 1) << n;
        EXPECT_EQ(pixelAt(*canvas, 4, 1), 0u) << "nothing beyond the cell";
        EXPECT_EQ(pixelAt(*canvas, 2, 3), 0u) << "nothing below the cell";
        EXPECT_EQ(pixelAt(*canvas, 1, 1), 0u) << "nothing before the cell";
        EXPECT_EQ(pixelAt(*canvas, 2, 0), 0u) << "nothing above the cell";
    }
    EXPECT_TRUE(a.sprite->hitPixel(3, 2));
    EXPECT_FALSE(a.sprite->hitPixel(4, 2));
}

TEST(AnimateSpriteFrameTest, HitPixelTestsTheCurrentFrame) {
    auto image = solidImage(4, 2, 0);
    image->getPixels()[2] = 0xFFFFFFFFu; // frame 1, pixel (0, 0)
    auto sprite = adopt(new AnimateSprite());
    sprite->setImage(image.get(), 2, 1);
    sprite->setLocation(10, 10);
    EXPECT_FALSE(sprite->hitPixel(10, 10));
    sprite->setFrame(1);
    EXPECT_TRUE(sprite->hitPixel(10, 10));
    EXPECT_FALSE(sprite->hitPixel(12, 10)) << "outside the frame though inside the image";
}

TEST(AnimateSpriteFrameTest, LoopingWrapsWithinTheRangeBothWays) {
    Animated a(6);
    a.sprite->setFrameRange(1, 3);
    a.sprite->setFrame(1);
    a.sprite->setAnimation(1, true);
    EXPECT_FALSE(a.sprite->isEventPending());
    EXPECT_EQ(a.frames(5), (Frames{2, 3, 1, 2, 3}));
    a.sprite->setAnimation(-1, true);
    EXPECT_EQ(a.frames(4), (Frames{2, 1, 3, 2}));
    a.sprite->setAnimation(2, true);
    EXPECT_EQ(a.frames(3), (Frames{1, 3, 2}));
    EXPECT_EQ(a.listener.count(), 0);

    a.sprite->setFrameRange(-4, 99);
    a.sprite->setAnimation(3, true);
    a.sprite->setFrame(4);
    EXPECT_EQ(a.frames(2), (Frames{1, 4}));
}

TEST(AnimateSpriteFrameTest, NonLoopingStopsOnLastFrameAndPostsInThatUpdate) {
    Animated a(4);
    a.sprite->setAnimation(1, false);
    EXPECT_TRUE(a.sprite->isEventPending());
    EXPECT_EQ(a.frames(3), (Frames{1, 2, 3}));
    EXPECT_EQ(a.listener.count(), 0);
    a.step();
    EXPECT_EQ(a.sprite->getFrame(), 3);
    EXPECT_EQ(a.sprite->getFrameStep(), 0);
    EXPECT_EQ(a.listener.takeEvents(), (std::vector<std::string>{"done"}));
    EXPECT_EQ(a.listener.lastSource(), a.sprite.get());
    EXPECT_FALSE(a.sprite->isEventPending());
    a.frames(5);
    EXPECT_EQ(a.listener.count(), 0) << "posted once";

    // Backwards, the first frame of the range is the end.
    a.sprite->setAnimation(-2, false);
    EXPECT_EQ(a.frames(3), (Frames{1, 1, 1}));
    EXPECT_EQ(a.listener.count(), 1);
}

TEST(AnimateSpriteFrameTest, BounceReversesAndNeverPosts) {
    Animated a(3);
    a.sprite->setBounce(true);
    a.sprite->setAnimation(1, false);
    EXPECT_FALSE(a.sprite->isEventPending());
    EXPECT_EQ(a.frames(8), (Frames{1, 2, 2, 1, 0, 0, 1, 2}));
    EXPECT_EQ(a.listener.count(), 0);

    // setBounce drops an event already pending.
    Animated b(3);
    b.sprite->setAnimation(1, false);
    b.sprite->setBounce(true);
    b.frames(10);
    EXPECT_EQ(b.listener.count(), 0);
}

TEST(AnimateSpriteFrameTest, RepeatCountPlaysThatManyTimesThenPosts) {
    Animated a(3);
    a.sprite->setRepeatCount(2);
    a.sprite->setAnimation(1, true);
    EXPECT_TRUE(a.sprite->isEventPending());
    EXPECT_EQ(a.frames(6), (Frames{1, 2, 0, 1, 2, 2}));
    EXPECT_EQ(a.sprite->getFrameStep(), 0);
    EXPECT_EQ(a.listener.count(), 1);
}

TEST(AnimateSpriteFrameTest, FrameDelayAndRepeatDelayFollowTheClock) {
    Animated a(3);
    a.time = 1;                    // the first update below runs at time 1
    a.sprite->setFrameDelay(2, 1); // a tick every third time value
    a.sprite->setAnimation(1, true);
    EXPECT_EQ(a.frames(7), (Frames{0, 0, 1, 1, 1, 2, 2}));

    Animated b(2);
    b.time = 1;
    b.sprite->setRepeatDelay(4);
    b.sprite->setAnimation(1, true);
    // Reaches frame 1 at time 1, then waits for time 4 to wrap.
    EXPECT_EQ(b.frames(5), (Frames{1, 1, 1, 0, 1}));

    // A delay cancelled by a negative extra ticks every update.
    Animated c(3);
    c.sprite->setFrameDelay(2, -2);
    c.sprite->setAnimation(1, true);
    EXPECT_EQ(c.frames(3), (Frames{1, 2, 0}));
}

TEST(AnimateSpriteFrameTest, PausedSpritesHoldTheirFrameAndShiftTheClock) {
    Animated a(4);
    a.time = 0;
    a.sprite->setFrameDelay(2, 0);
    a.sprite->setAnimation(1, true);
    EXPECT_EQ(a.frames(2), (Frames{1, 1})); // ticks at t = 0
    a.sprite->setPaused(true);
    a.sprite->moveTo(50, 50, 2);
    EXPECT_EQ(a.frames(3), (Frames{1, 1, 1}));
    EXPECT_EQ(a.sprite->getX(), 0) << "no motion while paused";
    EXPECT_EQ(a.sprite->getPausedTicks(), 3);
    a.sprite->setPaused(false);
    // Time 5 counts as 2 after three paused ticks.
    EXPECT_EQ(a.frames(2), (Frames{2, 2}));
}

// A sprite with nothing to do is updated without its lock; each change that
// sets it going again must be seen by the next update.
TEST(AnimateSpriteFrameTest, ASpriteAtRestStartsAgainOnEveryChange) {
    struct Row {
        const char* what;
        std::function<void(AnimateSprite&)> change;
        std::function<bool(Animated&)> seen;
        bool repaints = true;
    };
    const Row rows[] = {
        {"animation", [](AnimateSprite& s) { s.setAnimation(1, true); },
         [](Animated& a) { return a.sprite->getFrame() == 2; }},
        {"move", [](AnimateSprite& s) { s.moveTo(10, 4, 2); },
         [](Animated& a) { return a.sprite->getX() == 10 && a.listener.count() == 1; }},
        {"fade", [](AnimateSprite& s) { s.fadeTo(32, 2); },
         [](Animated& a) { return a.sprite->getLevel() == 32 && a.listener.count() == 1; }},
        {"pause", [](AnimateSprite& s) { s.setPaused(true); },
         [](Animated& a) { return a.sprite->getPausedTicks() == 2; }, false},
        {"frame", [](AnimateSprite& s) { s.setFrame(3); },
         [](Animated& a) { return a.sprite->getFrame() == 3; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Animated a(4);
        a.step();
        ASSERT_FALSE(a.step()) << "at rest";
        row.change(*a.sprite);
        EXPECT_EQ(a.step(), row.repaints) << "the change is repainted";
        a.step();
        EXPECT_TRUE(row.seen(a));
    }
}

TEST(AnimateSpriteMotionTest, MoveToInterpolatesAndPostsAfterArrival) {
    Animated a(1);
    a.sprite->setLocation(0, 10);
    a.sprite->moveTo(10, 0, 3);
    EXPECT_EQ(a.sprite->getNextX(), 3);
    EXPECT_EQ(a.sprite->getNextY(), 7);
    a.step();
    EXPECT_EQ(a.sprite->getX(), 3);
    EXPECT_EQ(a.sprite->getY(), 7);
    EXPECT_EQ(a.sprite->getMoveSteps(), 2);
    a.step();
    EXPECT_EQ(a.sprite->getX(), 6);
    EXPECT_EQ(a.sprite->getNextX(), 10);
    EXPECT_EQ(a.listener.count(), 0);
    a.step();
    EXPECT_EQ(a.sprite->getX(), 10);
    EXPECT_EQ(a.sprite->getY(), 0);
    EXPECT_EQ(a.listener.count(), 1) << "posted on the update that arrives";
    EXPECT_EQ(a.sprite->getNextX(), 10);
    EXPECT_FALSE(a.step()) << "an idle sprite reports nothing";
    EXPECT_EQ(a.listener.count(), 1);
}

TEST(AnimateSpriteMotionTest, PlainMovesCancelInterpolationAndZeroStepsJump) {
    Animated a(1);
    a.sprite->moveTo(100, 100, 10);
    a.sprite->setLocation(5, 5);
    EXPECT_EQ(a.sprite->getTargetX(), 5);
    a.sprite->moveBy(1, 2);
    EXPECT_EQ(a.sprite->getTargetX(), 6);
    EXPECT_EQ(a.sprite->getTargetY(), 7);
    a.step();
    EXPECT_EQ(a.sprite->getX(), 6) << "steps left, but already on the target";

    a.sprite->moveTo(40, 41, 0);
    a.step();
    EXPECT_EQ(a.sprite->getX(), 40);
    EXPECT_EQ(a.sprite->getY(), 41);
    a.listener.takeEvents();
    EXPECT_FALSE(a.step());
}

TEST(AnimateSpriteMotionTest, MovesRepaintTheWholePath) {
    Animated a(1);
    a.sprite->moveTo(10, 0, 2);
    Rectangle rect;
    ASSERT_TRUE(a.sprite->update(a.time++, rect));
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.width, 7);
    EXPECT_EQ(rect.height, 2);
}

TEST(AnimateSpriteFadeTest, FadeStepsTowardsTheTarget) {
    Animated a(1);
    a.sprite->fadeTo(0, 4);
    EXPECT_EQ(a.sprite->getTargetAlpha(), 0);
    std::vector<int> levels;
    for (int i = 0; i < 4; ++i) {
        a.step();
        levels.push_back(a.sprite->getLevel());
    }
    EXPECT_EQ(levels, (std::vector<int>{96, 64, 32, 0}));
    EXPECT_EQ(a.listener.count(), 1);
    EXPECT_FALSE(a.step());
}

TEST(AnimateSpriteFadeTest, ZeroStepsIsOneAndMinusOneKeepsTheCount) {
    Animated a(1);
    a.sprite->fadeTo(32, 0);
    a.step();
    EXPECT_EQ(a.sprite->getLevel(), 32);
    EXPECT_EQ(a.listener.count(), 1);

    a.sprite->fadeTo(128, 2);
    a.step();
    EXPECT_EQ(a.sprite->getLevel(), 80);
    a.sprite->fadeTo(0, -1); // keeps the one step left
    a.step();
    EXPECT_EQ(a.sprite->getLevel(), 0);
    EXPECT_EQ(a.listener.count(), 2);

    // setTint makes its level the target, so no fade starts.
    a.sprite->setTint(100, 128, 128, 128);
    EXPECT_EQ(a.sprite->getTargetAlpha(), 100);
    a.step();
    EXPECT_FALSE(a.step());
}

TEST(AnimateSpriteConfigureTest, IntegersSetGridFrameAndEndlessAnimation) {
    auto image = frameStrip(4, 4);
    lang::ObjectArray objects(1);
    objects.set(0, image.get());
    lang::IntArray ints(8);
    int32_t values[] = {3, 4, 4, 0, 2, 0, 1, 1};
    for (int i = 0; i < 8; ++i)
        ints.set(i, values[i]);
    auto sprite = adopt(new AnimateSprite());
    sprite->configure(&objects, &ints);
    EXPECT_EQ(sprite->getX(), 3);
    EXPECT_EQ(sprite->getFrameCount(), 4);
    EXPECT_EQ(sprite->getWidth(), 2);
    EXPECT_EQ(sprite->getFrame(), 2);
    EXPECT_EQ(sprite->getFrameStep(), 1);
    EXPECT_TRUE(sprite->isVisible());
    EXPECT_FALSE(sprite->isEventPending());

    lang::IntArray hidden(5);
    hidden.set(2, 2);
    hidden.set(4, -1);
    auto other = adopt(new AnimateSprite());
    other->configure(&objects, &hidden);
    EXPECT_FALSE(other->isVisible());
    EXPECT_EQ(other->getFrameCount(), 2);
    EXPECT_EQ(other->getFrameStep(), 0);

    lang::IntArray short3(3);
    auto untouched = adopt(new AnimateSprite());
    untouched->configure(&objects, &short3);
    EXPECT_FALSE(untouched->getImage());
}

TEST(AnimateSpriteCopyTest, CopyKeepsTheAnimationState) {
    Animated a(4);
    a.sprite->setFrame(2);
    a.sprite->setAnimation(1, false);
    a.sprite->setTint(64, 100, 128, 128);
    Ref<engine::Sprite> copy = a.sprite->copy();
    ASSERT_TRUE(copy->instanceOf("AnimateSprite"));
    auto* twin = static_cast<AnimateSprite*>(copy.get());
    EXPECT_EQ(twin->getFrame(), 2);
    EXPECT_EQ(twin->getFrameCount(), 4);
    EXPECT_EQ(twin->getFrameStep(), 1);
    EXPECT_EQ(twin->getLevel(), 64);
    EXPECT_TRUE(twin->isEventPending());
    EXPECT_EQ(twin->getImage(), a.image);
}
