#include "engine/FancyContainer.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "gfx/Region.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

using engine::AnimateSprite;
using engine::FancyContainer;
using engine::Sprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr uint32_t red = 0xFFFF0000u;
constexpr uint32_t green = 0xFF00FF00u;
constexpr uint32_t black = 0xFF000000u;

// Counts its paints.
class CountingSprite : public Sprite {
public:
    void paint(lang::Graphics& g) override {
        ++paints;
        Sprite::paint(g);
    }
    int paints = 0;
};

Ref<CountingSprite> child(int x, int y, lang::Image* image) {
    auto sprite = adopt(new CountingSprite());
    sprite->setImage(image);
    sprite->setLocation(x, y);
    return sprite;
}

struct Update {
    bool changed = false;
    Rectangle rect;
    lang::Region region;
};

void runUpdate(FancyContainer& c, Update& u, int time = 0) {
    u.changed = c.updateInto(time, u.rect, u.region);
}

} // namespace

TEST(FancyContainerTest, StartsWithItsWholeAreaDirty) {
    auto c = adopt(new FancyContainer(20, 10));
    EXPECT_EQ(c->getWidth(), 20);
    Rectangle dirty = c->getChildDirty();
    EXPECT_EQ(dirty.width, 20);
    EXPECT_EQ(dirty.height, 10);
    EXPECT_TRUE(c->isDirty());
    auto small = adopt(new FancyContainer());
    EXPECT_EQ(small->getWidth(), 1);
    EXPECT_EQ(small->getHeight(), 1);

    lang::IntArray ints(4);
    ints.set(0, 5);
    ints.set(1, 6);
    ints.set(2, 30);
    ints.set(3, 40);
    small->configure(nullptr, &ints);
    EXPECT_EQ(small->getX(), 5);
    EXPECT_EQ(small->getHeight(), 40);
    EXPECT_EQ(small->getChildDirty().width, 30);
}

TEST(FancyContainerTest, AddingTwiceKeepsOneEntryOnTop) {
    auto c = adopt(new FancyContainer(50, 50));
    auto image = solidImage(4, 4, red);
    auto a = child(0, 0, image.get());
    auto b = child(10, 10, image.get());
    c->add(a.get());
    c->add(b.get());
    c->add(a.get());
    ASSERT_EQ(c->getChildren()->size(), 2);
    EXPECT_EQ(c->getChildren()->elementAt(0), b.get());
    EXPECT_EQ(c->getChildren()->elementAt(1), a.get());
    EXPECT_EQ(a->getRefCount(), 2) << "the container holds one reference";

    auto text = adopt(new lang::String("not a sprite"));
    c->add(text.get());
    c->add(nullptr);
    c->add(c.get());
    EXPECT_EQ(c->getChildren()->size(), 2);
}

TEST(FancyContainerTest, AddingAVisibleChildRepaintsItsAreaInParentSpace) {
    auto c = adopt(new FancyContainer(50, 50));
    c->setLocation(100, 200);
    Update first;
    runUpdate(*c, first);
    auto canvas = solidImage(200, 300, black);
    c->paint(*testsupport::graphicsOn(canvas.get())); // clears the collected area
    auto image = solidImage(4, 4, red);
    auto a = child(10, 10, image.get());
    Rectangle scratch;
    a->update(0, scratch);
    c->add(a.get());
    Rectangle pending = c->getDirtyRect();
    EXPECT_EQ(pending.x, 110);
    EXPECT_EQ(pending.y, 210);
    EXPECT_EQ(pending.width, 4);

    auto hidden = child(30, 30, image.get());
    hidden->setVisible(false);
    hidden->update(0, scratch);
    Update u;
    runUpdate(*c, u);
    c->add(hidden.get());
    EXPECT_FALSE(c->isDirty());
}

TEST(FancyContainerTest, ACleanContainerReportsNoChange) {
    auto c = adopt(new FancyContainer(50, 50));
    auto image = solidImage(4, 4, red);
    c->add(child(1, 1, image.get()).get());
    Update first;
    runUpdate(*c, first);
    EXPECT_TRUE(first.changed);
    Update second;
    runUpdate(*c, second, 1);
    EXPECT_FALSE(second.changed);
    EXPECT_EQ(second.rect.width, 0);
    EXPECT_EQ(second.region.getHandle(), nullptr);
}

TEST(FancyContainerTest, ChildChangesAreClippedAndTranslated) {
    auto c = adopt(new FancyContainer(20, 20));
    c->setLocation(100, 50);
    auto image = solidImage(10, 10, red);
    auto inside = child(15, 15, image.get());
    auto outside = child(40, 40, image.get());
    c->add(inside.get());
    c->add(outside.get());
    Update first;
    runUpdate(*c, first);
    auto canvas = solidImage(200, 200, black);
    c->paint(*testsupport::graphicsOn(canvas.get())); // clears the collected area

    // A child wholly outside the container changes nothing.
    outside->moveBy(5, 0);
    Update u1;
    runUpdate(*c, u1, 1);
    EXPECT_FALSE(u1.changed);

    // A child partly inside reports only the part inside, in parent space.
    inside->moveBy(1, 0);
    Update u2;
    runUpdate(*c, u2, 2);
    ASSERT_TRUE(u2.changed);
    Rectangle dirty = c->getChildDirty();
    EXPECT_EQ(dirty.x, 15);
    EXPECT_EQ(dirty.y, 15);
    EXPECT_EQ(dirty.width, 5);
    EXPECT_EQ(dirty.height, 5);
    EXPECT_EQ(u2.rect.x, 115);
    EXPECT_EQ(u2.rect.y, 65);
    EXPECT_EQ(u2.rect.width, 5);
    EXPECT_TRUE(u2.region.intersects(Rectangle(119, 69, 1, 1)));
    EXPECT_FALSE(u2.region.intersects(Rectangle(120, 70, 5, 5)));
}

TEST(FancyContainerTest, HiddenContainerCollectsButReportsNothing) {
    auto c = adopt(new FancyContainer(20, 20));
    auto image = solidImage(4, 4, red);
    auto a = child(0, 0, image.get());
    c->add(a.get());
    Update first;
    runUpdate(*c, first);
    c->setVisible(false);
    Update hiding;
    runUpdate(*c, hiding, 1);
    EXPECT_TRUE(hiding.changed) << "its last area is repainted";
    a->moveBy(1, 1);
    Update u;
    runUpdate(*c, u, 2);
    EXPECT_FALSE(u.changed);
    EXPECT_EQ(u.region.getHandle(), nullptr);
}

TEST(FancyContainerTest, DirectPaintDrawsOnlyChildrenMeetingTheRegion) {
    auto canvas = solidImage(40, 40, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto c = adopt(new FancyContainer(30, 30));
    c->setLocation(5, 5);
    auto image = solidImage(4, 4, red);
    auto a = child(0, 0, image.get());
    auto b = child(20, 20, image.get());
    c->add(a.get());
    c->add(b.get());
    Update first;
    runUpdate(*c, first);
    c->paint(*g);
    EXPECT_EQ(a->paints, 1);
    EXPECT_EQ(b->paints, 1);
    EXPECT_EQ(pixelAt(*canvas, 5, 5), red) << "children are drawn in container space";
    EXPECT_EQ(pixelAt(*canvas, 25, 25), red);
    EXPECT_EQ(pixelAt(*canvas, 4, 4), black);

    a->moveBy(1, 0);
    Update u;
    runUpdate(*c, u, 1);
    auto clipped = g->create();
    clipped->setClip(&u.region);
    c->paint(*clipped);
    clipped->dispose();
    EXPECT_EQ(a->paints, 2);
    EXPECT_EQ(b->paints, 1) << "outside the changed region";
    EXPECT_EQ(c->getChildDirty().width, 0);
}

TEST(FancyContainerTest, DirectPaintFillsTheBackgroundWithinItsArea) {
    auto canvas = solidImage(10, 10, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto c = adopt(new FancyContainer(4, 4));
    c->setLocation(2, 2);
    c->setBackground(0x00FF00);
    Update u;
    runUpdate(*c, u);
    c->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 2, 2), green);
    EXPECT_EQ(pixelAt(*canvas, 5, 5), green);
    EXPECT_EQ(pixelAt(*canvas, 6, 6), black);
    EXPECT_EQ(pixelAt(*canvas, 1, 2), black);
}

TEST(FancyContainerTest, BufferedPaintRedrawsOnlyTheChangedArea) {
    auto canvas = solidImage(20, 20, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto c = adopt(new FancyContainer(16, 16));
    c->setBuffered(true);
    auto image = solidImage(4, 4, red);
    auto a = child(0, 0, image.get());
    auto b = child(8, 8, image.get());
    c->add(a.get());
    c->add(b.get());
    Update first;
    runUpdate(*c, first);
    c->paint(*g);
    Ref<lang::Image> buffer = c->getOffscreen();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->getWidth(), 16);
    EXPECT_EQ(pixelAt(*buffer, 0, 0), red);
    EXPECT_EQ(pixelAt(*buffer, 5, 5), 0u) << "uncovered pixels stay transparent";
    EXPECT_EQ(pixelAt(*canvas, 9, 9), red);
    EXPECT_EQ(pixelAt(*canvas, 5, 5), black) << "transparent buffer pixels leave the target";

    // Mark a pixel of the buffer outside the next change: it must survive.
    buffer->getPixels()[15 * 16 + 15] = green;
    a->moveBy(1, 0);
    Update u;
    runUpdate(*c, u, 1);
    int paintsOfB = b->paints;
    c->paint(*g);
    EXPECT_EQ(pixelAt(*buffer, 0, 0), 0u) << "the old area was cleared";
    EXPECT_EQ(pixelAt(*buffer, 1, 0), red);
    EXPECT_EQ(pixelAt(*buffer, 15, 15), green) << "outside the changed area";
    EXPECT_EQ(b->paints, paintsOfB) << "a child outside the changed area is not drawn";
    EXPECT_EQ(c->getChildDirty().width, 0);
    EXPECT_EQ(c->getOffscreen(), buffer) << "the buffer is reused";
}

TEST(FancyContainerTest, BufferedBackgroundFillsOnlyTheChangedArea) {
    auto canvas = solidImage(8, 8, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto c = adopt(new FancyContainer(8, 8));
    c->setBuffered(true);
    c->setBackground(0x00FF00);
    auto image = solidImage(2, 2, red);
    auto a = child(0, 0, image.get());
    c->add(a.get());
    Update first;
    runUpdate(*c, first);
    c->paint(*g);
    Ref<lang::Image> buffer = c->getOffscreen();
    EXPECT_EQ(pixelAt(*buffer, 7, 7), green);
    buffer->getPixels()[7 * 8 + 7] = 0xFF0000FFu;
    a->moveBy(1, 0);
    Update u;
    runUpdate(*c, u, 1);
    c->paint(*g);
    EXPECT_EQ(pixelAt(*buffer, 0, 0), green);
    EXPECT_EQ(pixelAt(*buffer, 1, 0), red);
    EXPECT_EQ(pixelAt(*buffer, 7, 7), 0xFF0000FFu);
}

TEST(FancyContainerTest, FadeOutEndsHiddenAndFadeInRestartsFromZero) {
    auto canvas = solidImage(4, 4, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto c = adopt(new FancyContainer(4, 4));
    c->setFadeStep(50);
    auto a = child(0, 0, solidImage(4, 4, 0xFFC80000u).get());
    c->add(a.get());
    c->fadeOut();
    EXPECT_TRUE(c->isFadingOut());
    EXPECT_EQ(c->getLevel(), 128);
    std::vector<int> levels;
    for (int t = 0; t < 3; ++t) {
        Update u;
        runUpdate(*c, u, t);
        levels.push_back(c->getLevel());
    }
    EXPECT_EQ(levels, (std::vector<int>{78, 28, 28}));
    EXPECT_FALSE(c->isVisible());
    EXPECT_FALSE(c->isFadingOut());

    c->fadeIn();
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(c->getLevel(), 0);
    Update u;
    runUpdate(*c, u, 3);
    EXPECT_EQ(c->getLevel(), 50);
    c->paint(*g);
    // Drawn through the buffer at level 50 over black: 200 * (255 * 50 / 128) / 256.
    EXPECT_EQ(pixelAt(*canvas, 1, 1), 0xFF4D0000u);
    c->fadeOut(); // from the current alpha
    EXPECT_EQ(c->getLevel(), 50);
    c->fadeIn(); // back again, still from the current alpha
    EXPECT_EQ(c->getLevel(), 50);
    for (int t = 4; t < 8; ++t) {
        Update step;
        runUpdate(*c, step, t);
    }
    EXPECT_EQ(c->getLevel(), 128);
    EXPECT_FALSE(c->isFadingIn());
}

TEST(FancyContainerTest, FanOutReachesEveryChild) {
    auto c = adopt(new FancyContainer(10, 10));
    auto image = solidImage(2, 2, red);
    auto plain = child(0, 0, image.get());
    auto animated = adopt(new AnimateSprite());
    animated->setImage(image.get(), 1, 1);
    c->add(plain.get());
    c->add(animated.get());

    c->pauseAll(true);
    EXPECT_TRUE(animated->isPaused());
    c->pauseAll(false);
    EXPECT_FALSE(animated->isPaused());

    c->setTint(64, 10, 20, 30);
    EXPECT_EQ(plain->getLevel(), 64);
    EXPECT_EQ(animated->getLevel(), 64);
    EXPECT_EQ(c->getLevel(), 128) << "the container's own level is its fade";
    EXPECT_EQ(plain->getFancy().tintBlue, 30);

    c->unloadAll();
    EXPECT_FALSE(image->hasPixels());
    c->reloadAll();
    c->loaded(nullptr);
}
