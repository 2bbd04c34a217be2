#include "engine/TiledSprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Color.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using engine::TiledSprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::pixelAt;
using testsupport::RecordingListener;
using testsupport::solidImage;

namespace {

constexpr uint32_t black = 0xFF000000u;

Ref<lang::IntArray> intsOf(std::initializer_list<int> values) {
    auto ints = adopt(new lang::IntArray(static_cast<int>(values.size())));
    int i = 0;
    for (int v : values)
        ints->set(i++, v);
    return ints;
}

// A 2 x 2 tile whose four pixels differ, so a misplaced or mirrored tile shows.
Ref<lang::Image> tileImage() {
    auto image = solidImage(2, 2, 0);
    uint32_t* p = image->getPixels();
    p[0] = 0xFF000011u;
    p[1] = 0xFF000022u;
    p[2] = 0xFF000033u;
    p[3] = 0xFF000044u;
    image->setHasAlpha(false);
    return image;
}

Ref<TiledSprite> tiledWith(lang::Image* image, std::initializer_list<int> values) {
    auto sprite = adopt(new TiledSprite());
    lang::ObjectArray objects(1);
    objects.set(0, image);
    sprite->configure(&objects, intsOf(values).get());
    Rectangle rect;
    sprite->update(0, rect);
    return sprite;
}

// What a canvas of w x h holds after tiles of tileImage() start at each of
// the (column, row) origins, cut to the rectangle (left, top, width, height).
std::vector<uint32_t> expectedTiles(int w, int h, const std::vector<std::pair<int, int>>& origins,
                                    Rectangle cut) {
    std::vector<uint32_t> canvas(static_cast<size_t>(w * h), black);
    auto tile = tileImage();
    for (auto [ox, oy] : origins)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (cut.inside(ox + dx, oy + dy))
                    canvas[(oy + dy) * w + ox + dx] = pixelAt(*tile, dx, dy);
    return canvas;
}

std::vector<uint32_t> pixelsOf(lang::Image& image) {
    return std::vector<uint32_t>(image.getPixels(),
                                 image.getPixels() + image.getWidth() * image.getHeight());
}

} // namespace

TEST(TiledSpritePaintTest, ColourFillsExactlyItsRectangleCutByTheClip) {
    auto canvas = solidImage(10, 10, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto sprite = adopt(new TiledSprite());
    lang::ObjectArray none(0);
    sprite->configure(&none, intsOf({10, 20, 30, 2, 3, 4, 5}).get());
    EXPECT_EQ(sprite->getWidth(), 4);
    EXPECT_EQ(sprite->getHeight(), 5);
    Rectangle rect;
    sprite->update(0, rect);
    sprite->paint(*g);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
            EXPECT_EQ(pixelAt(*canvas, x, y), inside ? 0xFF0A141Eu : black) << x << "," << y;
        }

    canvas->clearRect(0, 0, 10, 10);
    Rectangle clip(4, 0, 10, 5);
    sprite->setClip(&clip);
    sprite->setColour(lang::Color(1, 2, 3));
    sprite->paint(*g);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 4 && x < 6 && y >= 3 && y < 5;
            EXPECT_EQ(pixelAt(*canvas, x, y), inside ? 0xFF010203u : 0u) << x << "," << y;
        }
}

TEST(TiledSpritePaintTest, TilesStartAtTheOffsetAndStepByImagePlusGap) {
    // At (1, 1), 8 x 5, offset (1, 0), gap (1, 2): columns at 1, 4, 7 and rows
    // at 0, 4 inside the rectangle; the last column and row are cut.
    auto canvas = solidImage(10, 8, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto tile = tileImage();
    auto sprite = tiledWith(tile.get(), {1, 1, 8, 5, 1, 0, 1, 2});
    EXPECT_EQ(sprite->getWidth(), 8) << "the size is the rectangle's, not the image's";
    sprite->paint(*g);
    std::vector<std::pair<int, int>> origins;
    for (int a : {1, 4, 7})
        for (int b : {0, 4})
            origins.emplace_back(1 + a, 1 + b);
    EXPECT_EQ(pixelsOf(*canvas), expectedTiles(10, 8, origins, Rectangle(1, 1, 8, 5)));

    // A negative offset starts the first tiles outside, cut to the rectangle;
    // without offsets and gaps in the data they stay at 0.
    canvas = solidImage(10, 8, black);
    g = testsupport::graphicsOn(canvas.get());
    sprite = tiledWith(tile.get(), {2, 2, 5, 3});
    sprite->setOffset(-1, -1);
    sprite->paint(*g);
    origins.clear();
    for (int a : {-1, 1, 3})
        for (int b : {-1, 1})
            origins.emplace_back(2 + a, 2 + b);
    EXPECT_EQ(pixelsOf(*canvas), expectedTiles(10, 8, origins, Rectangle(2, 2, 5, 3)));
}

TEST(TiledSpritePaintTest, ClipAndExcludeRectanglesAndSettingsApplyToEveryTile) {
    auto canvas = solidImage(8, 4, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto tile = tileImage();
    auto sprite = tiledWith(tile.get(), {0, 0, 8, 2});
    Rectangle clip(1, 0, 6, 2);
    sprite->setClip(&clip);
    Rectangle cut(3, 0, 2, 1);
    sprite->setExcludeRect(&cut);
    sprite->paint(*g);
    std::vector<std::pair<int, int>> origins = {{0, 0}, {2, 0}, {4, 0}, {6, 0}};
    std::vector<uint32_t> expected = expectedTiles(8, 4, origins, Rectangle(1, 0, 6, 2));
    expected[3] = expected[4] = black;
    EXPECT_EQ(pixelsOf(*canvas), expected);

    // A tint reaches every tile, just as it reaches a plain sprite's image.
    auto plainCanvas = solidImage(2, 2, black);
    auto plain = adopt(new engine::Sprite());
    plain->setImage(tile.get());
    plain->setTint(64, 128, 128, 128);
    Rectangle rect;
    plain->update(0, rect);
    plain->paint(*testsupport::graphicsOn(plainCanvas.get()));
    ASSERT_NE(pixelAt(*plainCanvas, 1, 1), pixelAt(*tile, 1, 1));

    canvas = solidImage(8, 4, black);
    g = testsupport::graphicsOn(canvas.get());
    sprite = tiledWith(tile.get(), {0, 0, 8, 4});
    sprite->setTint(64, 128, 128, 128);
    sprite->paint(*g);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixelAt(*canvas, x, y), pixelAt(*plainCanvas, x % 2, y % 2));
}

TEST(TiledSpriteConfigureTest, StepsThatNeverAdvanceAreRefused) {
    auto tile = tileImage();
    // Gap -2 on a 2-pixel tile: the tiles would never move on.
    auto refused = tiledWith(tile.get(), {3, 4, 10, 10, 0, 0, -2, 0});
    EXPECT_FALSE(refused->getImage());
    EXPECT_EQ(refused->getX(), 0);
    EXPECT_EQ(refused->getWidth(), 0);
    refused = tiledWith(tile.get(), {3, 4, 10, 10, 0, 0, 0, -5});
    EXPECT_FALSE(refused->getImage());
    // Too few ints for either form configure nothing.
    EXPECT_FALSE(tiledWith(tile.get(), {1, 2, 3})->getImage());
    auto colourless = adopt(new TiledSprite());
    colourless->configure(nullptr, intsOf({1, 2, 3, 4, 5, 6}).get());
    EXPECT_EQ(colourless->getX(), 0);
    EXPECT_EQ(colourless->getColour(), 0u);

    // Gaps set later that stop the steps are kept, but paint draws no tile
    // (instead of looping for ever) until the step is positive again.
    auto canvas = solidImage(6, 6, black);
    auto g = testsupport::graphicsOn(canvas.get());
    auto sprite = tiledWith(tile.get(), {0, 0, 6, 6, 0, 0, 1, 1});
    EXPECT_EQ(sprite->getGapX(), 1);
    sprite->setGap(-2, 1);
    sprite->paint(*g);
    EXPECT_EQ(pixelsOf(*canvas), pixelsOf(*solidImage(6, 6, black)));
    sprite->setGap(-1, -1);
    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 5, 5), pixelAt(*tile, 0, 0)) << "overlapping 1-pixel steps";
}

TEST(TiledSpriteConfigureTest, FullFormsSetOffsetsGapsAndColour) {
    auto coloured = adopt(new TiledSprite());
    coloured->configure(nullptr, intsOf({255, 128, 0, 5, 6, 7, 8, 1, 2, 3, 4}).get());
    EXPECT_EQ(coloured->getColour(), 0xFFFF8000u);
    EXPECT_EQ(coloured->getX(), 5);
    EXPECT_EQ(coloured->getY(), 6);
    EXPECT_EQ(coloured->getWidth(), 7);
    EXPECT_EQ(coloured->getHeight(), 8);
    EXPECT_EQ(coloured->getOffsetX(), 1);
    EXPECT_EQ(coloured->getOffsetY(), 2);
    EXPECT_EQ(coloured->getGapX(), 3);
    EXPECT_EQ(coloured->getGapY(), 4);
    EXPECT_FALSE(coloured->getImage());

    lang::Class* type = lang::Class::forName("TiledSprite");
    ASSERT_NE(type, nullptr);
    Ref<lang::Object> instance = type->newInstance();
    ASSERT_TRUE(instance);
    EXPECT_TRUE(instance->instanceOf("tiledsprite"));
    EXPECT_TRUE(instance->instanceOf("Sprite"));
}

TEST(TiledSpriteStateTest, SetImageKeepsTheSizeAndCopyKeepsTheTiling) {
    auto tile = tileImage();
    auto sprite = tiledWith(tile.get(), {1, 2, 30, 20, 3, 4, 5, 6});
    auto big = solidImage(7, 9, black);
    sprite->setImage(big.get());
    EXPECT_EQ(sprite->getWidth(), 30);
    EXPECT_EQ(sprite->getHeight(), 20);
    EXPECT_EQ(sprite->getImage().get(), big.get());

    RecordingListener listener;
    sprite->setListener(&listener, lang::String("tiles"));
    sprite->setColour(lang::Color(9, 9, 9));
    sprite->setTint(100, 128, 128, 128);
    sprite->fadeTo(10, 3);
    Ref<engine::Sprite> copied = sprite->copy();
    ASSERT_TRUE(copied->instanceOf("TiledSprite"));
    auto* copy = static_cast<TiledSprite*>(copied.get());
    EXPECT_EQ(copy->getImage().get(), big.get());
    EXPECT_EQ(copy->getX(), 1);
    EXPECT_EQ(copy->getWidth(), 30);
    EXPECT_EQ(copy->getOffsetX(), 3);
    EXPECT_EQ(copy->getOffsetY(), 4);
    EXPECT_EQ(copy->getGapX(), 5);
    EXPECT_EQ(copy->getGapY(), 6);
    EXPECT_EQ(copy->getColour(), 0xFF090909u);
    EXPECT_EQ(copy->getLevel(), 100);
    EXPECT_EQ(copy->getTargetAlpha(), 10);
    EXPECT_EQ(copy->getFadeSteps(), 3);
}

TEST(TiledSpriteFadeTest, FadesStepByStepAndReportsOnceAtTheEnd) {
    auto tile = tileImage();
    auto sprite = tiledWith(tile.get(), {0, 0, 4, 4});
    RecordingListener listener;
    sprite->setListener(&listener, lang::String("faded"));
    // From full opacity even without settings of its own.
    sprite->fadeTo(0, 4);
    std::vector<int> levels;
    int time = 1;
    for (int i = 0; i < 6; ++i) {
        Rectangle rect;
        bool changed = sprite->update(time++, rect);
        levels.push_back(sprite->getLevel());
        if (i < 4) {
            EXPECT_TRUE(changed) << i;
            EXPECT_EQ(rect.width, 4) << "a fade step repaints the sprite";
        }
        EXPECT_EQ(listener.count(), i < 3 ? 0 : 1) << i;
    }
    EXPECT_EQ(levels, (std::vector<int>{96, 64, 32, 0, 0, 0}));
    EXPECT_EQ(listener.takeEvents(), std::vector<std::string>{"faded"});
    EXPECT_EQ(listener.lastSource(), sprite.get());

    // No steps means the next update; -1 keeps the previous count.
    sprite->fadeTo(64, 0);
    Rectangle rect;
    sprite->update(time++, rect);
    EXPECT_EQ(sprite->getLevel(), 64);
    EXPECT_EQ(listener.count(), 1);
    sprite->fadeTo(128, 2);
    sprite->fadeTo(0, -1);
    EXPECT_EQ(sprite->getFadeSteps(), 2);
    sprite->update(time++, rect);
    EXPECT_EQ(sprite->getLevel(), 32);

    // Without a listener the fade still ends.
    auto quiet = tiledWith(tile.get(), {0, 0, 4, 4});
    quiet->fadeTo(50, 1);
    quiet->update(1, rect);
    EXPECT_EQ(quiet->getLevel(), 50);
    EXPECT_EQ(quiet->getFadeSteps(), 0);
}
