#include "engine/Sprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/FancyHelper.h"
#include "gfx/PngEncoder.h"
#include "gfx/Region.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using engine::Sprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr uint32_t red = 0xFFFF0000u;
constexpr uint32_t blue = 0xFF0000FFu;
constexpr uint32_t black = 0xFF000000u;

Ref<Sprite> spriteAt(int x, int y, lang::Image* image) {
    auto sprite = adopt(new Sprite());
    sprite->setImage(image);
    sprite->setLocation(x, y);
    return sprite;
}

// Runs one update and returns the rectangle it reported (empty when none).
Rectangle takeDirty(Sprite& sprite, int time = 0) {
    Rectangle rect;
    if (!sprite.update(time, rect))
        return Rectangle();
    return rect;
}

void expectRect(const Rectangle& r, int x, int y, int w, int h) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

} // namespace

TEST(SpriteBoundsTest, ExtentClipAndContains) {
    auto image = solidImage(10, 8, red);
    auto sprite = spriteAt(5, 6, image.get());
    expectRect(sprite->getBounds(), 5, 6, 10, 8);
    EXPECT_TRUE(sprite->contains(5, 6));
    EXPECT_TRUE(sprite->contains(14, 13));
    EXPECT_FALSE(sprite->contains(15, 6));
    EXPECT_FALSE(sprite->contains(5, 14));

    Rectangle clip(0, 0, 8, 10);
    sprite->setClip(&clip);
    expectRect(sprite->getBounds(), 5, 6, 3, 4);
    EXPECT_FALSE(sprite->contains(8, 6));
    Ref<Rectangle> copyOfClip = sprite->getClip();
    ASSERT_TRUE(copyOfClip);
    expectRect(*copyOfClip, 0, 0, 8, 10);
    sprite->setClip(nullptr);
    EXPECT_FALSE(sprite->getClip());
    expectRect(sprite->getBounds(), 5, 6, 10, 8);
}

TEST(SpriteBoundsTest, SpriteWithoutImageIsNeverDirtyOrHit) {
    auto sprite = adopt(new Sprite());
    lang::Rectangle rect;
    sprite->update(0, rect);
    sprite->setLocation(20, 30);
    expectRect(sprite->getBounds(), 20, 30, 0, 0);
    EXPECT_FALSE(sprite->isDirty());
    EXPECT_FALSE(sprite->contains(20, 30));
    sprite->setVisible(false);
    sprite->setVisible(true);
    sprite->invalidate();
    EXPECT_FALSE(sprite->isDirty());
}

namespace {
// Exposes the size setter for sprites whose size is not an image's.
class SizedSprite : public Sprite {
public:
    void resize(int w, int h) { setSize(w, h); }
};
} // namespace

TEST(SpriteBoundsTest, MinusOneSizeCollapsesBounds) {
    auto sprite = adopt(new SizedSprite());
    sprite->resize(-1, 40);
    sprite->setLocation(3, 4);
    expectRect(sprite->getBounds(), 3, 4, 0, 0);
    EXPECT_FALSE(sprite->contains(3, 4));
    sprite->moveBy(5, 5);
    EXPECT_FALSE(sprite->isDirty());
    sprite->resize(40, -1);
    EXPECT_FALSE(sprite->isDirty());
    expectRect(sprite->getBounds(), 8, 9, 0, 0);
}

// Positions from a data file can be anything; far-off ones are held where
// adding a size or an alignment offset cannot overflow (UBSan checks that).
TEST(SpriteBoundsTest, FarAwayPositionsAreHeldInsideTheIntegerRange) {
    auto sprite = adopt(new SizedSprite());
    sprite->resize(40, 30);
    sprite->setLocation(INT32_MIN, INT32_MAX);
    expectRect(sprite->getBounds(), -(1 << 24), 1 << 24, 40, 30);
    sprite->moveBy(INT32_MIN, INT32_MAX);
    expectRect(sprite->getBounds(), -(1 << 24), 1 << 24, 40, 30);
    sprite->moveBy(INT32_MAX, 0);
    sprite->setLocationQuiet(INT32_MAX, INT32_MIN);
    expectRect(sprite->getBounds(), 1 << 24, -(1 << 24), 40, 30);
}

TEST(SpriteDirtyTest, EverySetterRepaintsOldAndNewArea) {
    auto image = solidImage(10, 10, red);
    auto sprite = spriteAt(0, 0, image.get());
    takeDirty(*sprite);

    sprite->setLocation(0, 0);
    EXPECT_FALSE(sprite->isDirty()) << "an unchanged position repaints nothing";
    sprite->moveBy(0, 0);
    EXPECT_FALSE(sprite->isDirty());

    sprite->setLocation(30, 5);
    expectRect(takeDirty(*sprite), 0, 0, 40, 15);
    EXPECT_FALSE(sprite->isDirty());
    Rectangle none;
    EXPECT_FALSE(sprite->update(1, none));

    sprite->moveBy(-10, 0);
    expectRect(takeDirty(*sprite), 20, 5, 20, 10);

    sprite->setUserValue(7);
    EXPECT_EQ(sprite->getUserValue(), 7);
    expectRect(takeDirty(*sprite), 20, 5, 10, 10);

    sprite->setTint(64, 128, 128, 128);
    EXPECT_EQ(sprite->getLevel(), 64);
    expectRect(takeDirty(*sprite), 20, 5, 10, 10);

    auto bigger = solidImage(20, 4, blue);
    sprite->setImage(bigger.get());
    EXPECT_EQ(sprite->getWidth(), 20);
    EXPECT_EQ(sprite->getHeight(), 4);
    expectRect(takeDirty(*sprite), 20, 5, 20, 10);

    Rectangle clip(25, 5, 2, 2);
    sprite->setClip(&clip);
    expectRect(takeDirty(*sprite), 20, 5, 20, 4);

    // The exclusion rectangle changes what is drawn, not the bounds.
    Rectangle cut(0, 0, 1, 1);
    sprite->setExcludeRect(&cut);
    EXPECT_FALSE(sprite->isDirty());
}

TEST(SpriteDirtyTest, UpdateUnitesIntoTheCallersRectangle) {
    auto image = solidImage(4, 4, red);
    auto sprite = spriteAt(10, 10, image.get());
    takeDirty(*sprite);
    sprite->setVisible(false);
    Rectangle rect(0, 0, 2, 2);
    ASSERT_TRUE(sprite->update(0, rect));
    expectRect(rect, 0, 0, 14, 14);

    // updateInto adds the same rectangle to the region.
    sprite->setVisible(true);
    lang::Region region;
    Rectangle scratch;
    ASSERT_TRUE(sprite->updateInto(1, scratch, region));
    EXPECT_TRUE(region.intersects(Rectangle(12, 12, 1, 1)));
    EXPECT_FALSE(region.intersects(Rectangle(0, 0, 5, 5)));
}

TEST(SpriteDirtyTest, UnionIgnoresEmptyAddendsAndEmptyTargets) {
    Rectangle target;
    Sprite::unite(target, Rectangle(5, 5, 0, 10));
    expectRect(target, 0, 0, 0, 0);
    Sprite::unite(target, Rectangle(5, 6, 2, 3));
    expectRect(target, 5, 6, 2, 3);
    Sprite::unite(target, Rectangle(-5, 6, -2, 3));
    expectRect(target, 5, 6, 2, 3);
    Sprite::unite(target, Rectangle(10, 10, 1, 1));
    expectRect(target, 5, 6, 6, 5);
}

TEST(SpritePaintTest, DrawsAtPositionAndHidingTakesEffectNextFrame) {
    auto canvas = solidImage(8, 8, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto image = solidImage(2, 2, red);
    auto sprite = spriteAt(3, 4, image.get());
    takeDirty(*sprite);

    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 3, 4), red);
    EXPECT_EQ(pixelAt(*canvas, 4, 5), red);
    EXPECT_EQ(pixelAt(*canvas, 5, 5), black);
    EXPECT_EQ(pixelAt(*canvas, 2, 4), black);

    // Hidden after this frame's update sampled visibility: still painted.
    sprite->setVisible(false);
    canvas->clearRect(0, 0, 8, 8);
    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 3, 4), red);
    Rectangle rect = takeDirty(*sprite);
    expectRect(rect, 3, 4, 2, 2);
    canvas->clearRect(0, 0, 8, 8);
    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 3, 4), 0u);
}

TEST(SpritePaintTest, ClipAndExcludeRectanglesLimitTheDrawing) {
    auto canvas = solidImage(6, 6, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto image = solidImage(4, 4, red);
    auto sprite = spriteAt(1, 1, image.get());
    Rectangle clip(1, 1, 3, 2);
    sprite->setClip(&clip);
    Rectangle cut(2, 1, 1, 1);
    sprite->setExcludeRect(&cut);
    takeDirty(*sprite);
    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 1, 1), red);
    EXPECT_EQ(pixelAt(*canvas, 2, 1), black) << "excluded";
    EXPECT_EQ(pixelAt(*canvas, 3, 2), red);
    EXPECT_EQ(pixelAt(*canvas, 4, 1), black) << "outside the clip";
    EXPECT_EQ(pixelAt(*canvas, 1, 3), black) << "outside the clip";
}

TEST(SpritePaintTest, TintLevelAndShadowApplyOnlyToThisSprite) {
    auto canvas = solidImage(8, 4, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto image = solidImage(2, 2, 0xFFC864C8u);
    auto tinted = spriteAt(0, 0, image.get());
    tinted->setTint(128, 64, 128, 256);
    auto plain = spriteAt(4, 0, image.get());
    takeDirty(*tinted);
    takeDirty(*plain);

    tinted->paint(*g);
    plain->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 0, 0), 0xFF6464FFu) << "red halved, blue doubled and saturated";
    EXPECT_EQ(pixelAt(*canvas, 4, 0), 0xFFC864C8u) << "the context's settings were reset";

    // Level 0 draws nothing; a shadow darkens beside the image.
    auto white = solidImage(8, 4, 0xFFFFFFFFu);
    auto g2 = testsupport::graphicsOn(white.get());
    auto ghost = spriteAt(0, 0, image.get());
    ghost->setTint(0, 128, 128, 128);
    takeDirty(*ghost);
    ghost->paint(*g2);
    EXPECT_EQ(pixelAt(*white, 0, 0), 0xFFFFFFFFu);
    auto shaded = spriteAt(4, 0, image.get());
    EXPECT_TRUE(shaded->setShadow(1, 1, true));
    takeDirty(*shaded);
    shaded->paint(*g2);
    EXPECT_EQ(pixelAt(*white, 6, 2), 0xFF818181u);
    EXPECT_EQ(pixelAt(*white, 5, 2), 0xFF818181u);
    EXPECT_EQ(pixelAt(*white, 4, 0), 0xFFC864C8u);
}

// A context's own tint belongs to whoever made it (a container tinting all
// its children): a sprite with settings of its own draws with those, whether
// straight on the context or through a clipped child of it, and leaves the
// caller's as they were.
TEST(SpritePaintTest, ASpritesSettingsLeaveTheCallersTintAlone) {
    const bool clipped[] = {false, true};
    for (bool clip : clipped) {
        SCOPED_TRACE(clip ? "through a clipped child context" : "on the caller's context");
        auto canvas = solidImage(8, 4, black);
        auto g = testsupport::graphicsOn(canvas.get());
        lang::FancyHelper& callers = *g->getFancyHelper();
        callers.setTint(128, 0, 128, 128);
        auto image = solidImage(2, 2, 0xFFC864C8u);
        auto tinted = spriteAt(0, 0, image.get());
        tinted->setTint(128, 64, 128, 256);
        if (clip) {
            Rectangle area(0, 0, 2, 2);
            tinted->setClip(&area);
        }
        takeDirty(*tinted);

        tinted->paint(*g);
        EXPECT_EQ(pixelAt(*canvas, 0, 0), 0xFF6464FFu) << "the sprite's own tint";
        EXPECT_EQ(callers.tintRed, 0);
        EXPECT_EQ(callers.tintGreen, 128);
        EXPECT_EQ(callers.level, 128);
        EXPECT_FALSE(callers.shadow);
        g->drawImage(image.get(), 4, 0);
        EXPECT_EQ(pixelAt(*canvas, 4, 0), 0xFF0064C8u) << "the caller still draws without red";
    }
}

// The flag is set on the thread that gives the sprite its settings, never by
// the render thread in the middle of painting.
TEST(SpriteImageTest, CompositionSettingsFlagTheImageAsSoonAsTheyAreSet) {
    struct Case {
        const char* name;
        void (*apply)(Sprite&, lang::Image&);
    };
    const Case cases[] = {
        {"tint",
         [](Sprite& s, lang::Image& i) {
             s.setImage(&i);
             s.setTint(100, 128, 128, 128);
         }},
        {"shadow",
         [](Sprite& s, lang::Image& i) {
             s.setImage(&i);
             s.setShadow(2, 2, true);
         }},
        {"image after the tint",
         [](Sprite& s, lang::Image& i) {
             s.setTint(128, 90, 128, 128);
             s.setImage(&i);
         }},
    };
    for (const Case& c : cases) {
        auto image = solidImage(2, 2, red);
        ASSERT_FALSE(image->getHasAlpha());
        auto sprite = adopt(new Sprite());
        c.apply(*sprite, *image);
        EXPECT_TRUE(image->getHasAlpha()) << c.name;
    }
    auto untouched = solidImage(2, 2, red);
    spriteAt(0, 0, untouched.get());
    EXPECT_FALSE(untouched->getHasAlpha()) << "a sprite without settings leaves it alone";
}

TEST(SpritePixelTest, FindEdgeAndHitPixel) {
    auto image = solidImage(4, 5, 0);
    uint32_t* pixels = image->getPixels();
    pixels[1 * 4 + 2] = 0x80FFFFFFu; // (2, 1)
    pixels[3 * 4 + 2] = 0xFFFFFFFFu; // (2, 3)
    pixels[2 * 4 + 0] = 0x10FFFFFFu; // (0, 2)
    pixels[2 * 4 + 3] = 0xFFFFFFFFu; // (3, 2)
    auto sprite = spriteAt(10, 20, image.get());

    int px = 12, py = 0;
    EXPECT_TRUE(sprite->findEdge(px, py, 'T', 0x80));
    EXPECT_EQ(py, 21);
    EXPECT_TRUE(sprite->findEdge(px, py, 'T', 0x81));
    EXPECT_EQ(py, 23);
    EXPECT_TRUE(sprite->findEdge(px, py, 'B', 1));
    EXPECT_EQ(py, 23);
    px = 0;
    py = 22;
    EXPECT_TRUE(sprite->findEdge(px, py, 'L', 1));
    EXPECT_EQ(px, 10);
    EXPECT_TRUE(sprite->findEdge(px, py, 'L', 0x11));
    EXPECT_EQ(px, 13);
    EXPECT_TRUE(sprite->findEdge(px, py, 'R', 1));
    EXPECT_EQ(px, 13);
    px = 99;
    py = 99;
    EXPECT_FALSE(sprite->findEdge(px, py, 'T', 1)) << "column outside the image";
    EXPECT_FALSE(sprite->findEdge(px, py, 'L', 1)) << "row outside the image";
    px = 11;
    EXPECT_FALSE(sprite->findEdge(px, py, 'X', 1));
    EXPECT_FALSE(sprite->findEdge(px, py, 'T', 1)) << "an empty column";
    EXPECT_EQ(px, 11);
    EXPECT_EQ(py, 99);

    EXPECT_TRUE(sprite->hitPixel(12, 21));
    EXPECT_FALSE(sprite->hitPixel(11, 21));
    EXPECT_FALSE(sprite->hitPixel(9, 20));
    EXPECT_FALSE(sprite->hitPixel(14, 20));
    EXPECT_FALSE(adopt(new Sprite())->hitPixel(0, 0));
}

TEST(SpriteCopyTest, CopySharesTheImageAndCopiesClips) {
    auto image = solidImage(6, 6, red);
    auto sprite = spriteAt(2, 3, image.get());
    Rectangle clip(2, 3, 4, 4);
    sprite->setClip(&clip);
    sprite->setVisible(false);
    Ref<Sprite> twin = sprite->copy();
    EXPECT_TRUE(twin->instanceOf("Sprite"));
    EXPECT_EQ(twin->getImage(), image);
    EXPECT_FALSE(twin->isVisible());
    EXPECT_EQ(twin->getX(), 2);
    EXPECT_EQ(twin->getY(), 3);
    EXPECT_EQ(twin->getWidth(), 6);
    Rectangle other(0, 0, 1, 1);
    sprite->setClip(&other);
    expectRect(*twin->getClip(), 2, 3, 4, 4);
}

TEST(SpriteConfigureTest, ImageMaskAndPosition) {
    auto picture = solidImage(2, 1, 0xFF112233u);
    auto mask = solidImage(1, 1, 0xFF000040u);
    lang::ObjectArray objects(2);
    objects.set(0, picture.get());
    objects.set(1, mask.get());
    lang::IntArray ints(2);
    ints.set(0, 7);
    ints.set(1, 9);
    auto sprite = adopt(new Sprite());
    sprite->configure(&objects, &ints);
    EXPECT_EQ(sprite->getX(), 7);
    EXPECT_EQ(sprite->getY(), 9);
    EXPECT_EQ(sprite->getWidth(), 2);
    Ref<lang::Image> used = sprite->getImage();
    ASSERT_TRUE(used);
    EXPECT_NE(used, picture) << "a masked image is a copy";
    EXPECT_EQ(pixelAt(*used, 1, 0), 0xBF112233u);
    EXPECT_EQ(pixelAt(*picture, 1, 0), 0xFF112233u);

    lang::ObjectArray one(1);
    one.set(0, picture.get());
    auto plain = adopt(new Sprite());
    plain->configure(&one, &ints);
    EXPECT_EQ(plain->getImage(), picture);

    lang::IntArray tooFew(1);
    auto untouched = adopt(new Sprite());
    untouched->configure(&one, &tooFew);
    EXPECT_FALSE(untouched->getImage());
    untouched->configure(&one, nullptr);
    EXPECT_FALSE(untouched->getImage());
}

TEST(SpriteConfigureTest, ClassesAreCreatedByName) {
    for (const char* name : {"Sprite", "AnimateSprite", "FancyContainer"}) {
        lang::Class* type = lang::Class::forName(name);
        ASSERT_NE(type, nullptr) << name;
        Ref<lang::Object> instance = type->newInstance();
        ASSERT_TRUE(instance);
        EXPECT_TRUE(instance->instanceOf(name));
        EXPECT_TRUE(instance->instanceOf("sprite"));
        EXPECT_TRUE(instance->instanceOf("SpriteBase"));
        EXPECT_EQ(instance->getRefCount(), 1);
    }
}

TEST(SpriteImageTest, UnloadPendingFreesPixelsAtTheNextUpdateAndReloadRestores) {
    auto picture = solidImage(3, 3, red);
    auto sprite = spriteAt(0, 0, picture.get());
    sprite->setUnloadPending(true);
    EXPECT_TRUE(picture->hasPixels());
    takeDirty(*sprite);
    EXPECT_FALSE(sprite->isUnloadPending());
    EXPECT_FALSE(picture->hasPixels());
    // A blank image has no source to come back from; reloading stays safe.
    sprite->reloadImage();
    EXPECT_FALSE(sprite->isUnloadPending());
}

TEST(SpriteImageTest, ReloadBringsBackAMaskedImageFromItsSources) {
    std::string base = "/tmp/ripple-sprite-" + std::to_string(getpid());
    std::string picturePath = base + "-picture.png", maskPath = base + "-mask.png";
    uint32_t picturePixels[] = {0xFF102030u, 0xFF405060u};
    uint32_t maskPixels[] = {0xFF000000u, 0xFFFFFFFFu};
    ASSERT_TRUE(lang::PngEncoder::writeFile(picturePath.c_str(), picturePixels, 2, 1, true));
    ASSERT_TRUE(lang::PngEncoder::writeFile(maskPath.c_str(), maskPixels, 2, 1, true));
    auto picture = adopt(new lang::Image(picturePath.c_str()));
    auto mask = adopt(new lang::Image(maskPath.c_str()));
    lang::ObjectArray objects(2);
    objects.set(0, picture.get());
    objects.set(1, mask.get());
    lang::IntArray ints(2);
    auto sprite = adopt(new Sprite());
    sprite->configure(&objects, &ints);
    Ref<lang::Image> used = sprite->getImage();
    EXPECT_EQ(pixelAt(*used, 1, 0), 0x00405060u);

    sprite->unloadImage();
    EXPECT_FALSE(used->hasPixels());
    sprite->reloadImage();
    ASSERT_TRUE(used->hasPixels());
    EXPECT_EQ(pixelAt(*used, 0, 0), 0xFF102030u);
    EXPECT_EQ(pixelAt(*used, 1, 0), 0x00405060u) << "the mask is applied again";
    EXPECT_TRUE(picture->hasPixels()) << "the source image is untouched";
    std::remove(picturePath.c_str());
    std::remove(maskPath.c_str());
}
