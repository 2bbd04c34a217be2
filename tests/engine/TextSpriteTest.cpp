#include "engine/TextSprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using engine::TextSprite;
using lang::adopt;
using lang::Color;
using lang::Font;
using lang::Rectangle;
using lang::Ref;
using lang::String;
using testsupport::graphicsOn;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr uint32_t black = 0xFF000000u;
constexpr uint32_t white = 0xFFFFFFFFu;
constexpr uint32_t red = 0xFFFF0000u;
constexpr uint32_t blue = 0xFF0000FFu;

Ref<Font> testFont(int size = 20) {
    return adopt(new Font(String("Arial"), size, 0));
}

Ref<TextSprite> textSprite(const char* text, bool shadow, bool boxed, bool smoothing,
                           uint32_t colour = white, uint32_t shadowColour = blue) {
    Ref<Font> font = testFont();
    auto sprite =
        adopt(new TextSprite(font.get(), Color(colour), Color(shadowColour), shadow, boxed));
    sprite->setSmoothingAvailable(smoothing);
    sprite->setText(String(text));
    return sprite;
}

Ref<lang::Image> paintOnBlack(TextSprite& sprite, int w = 160, int h = 60) {
    auto canvas = solidImage(w, h, black);
    auto g = graphicsOn(canvas.get());
    sprite.paint(*g);
    g->dispose();
    return canvas;
}

// The smallest rectangle around every pixel for which `match` holds.
template <class Match>
Rectangle boxOf(lang::Image& image, Match match) {
    int x0 = image.getWidth(), y0 = image.getHeight(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (match(pixelAt(image, x, y))) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 < 0)
        return Rectangle();
    return Rectangle(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

bool contains(const Rectangle& outer, const Rectangle& inner) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

std::vector<uint32_t> pixelsOf(lang::Image& image) {
    return std::vector<uint32_t>(image.getPixels(),
                                 image.getPixels() + image.getWidth() * image.getHeight());
}

} // namespace

TEST(TextSpriteTest, MeasuresTheLineAndPlacesBoundsByAlignment) {
    Ref<Font> font = testFont();
    auto metrics = font->getFontMetrics();
    auto sprite = textSprite("Hello", false, false, true);
    const int w = metrics->stringWidth(String("Hello")) + 4;
    const int h = metrics->getHeight() + 2;
    EXPECT_EQ(sprite->getWidth(), w);
    EXPECT_EQ(sprite->getHeight(), h);

    sprite->setLocation(100, 40);
    Rectangle b = sprite->getBounds();
    EXPECT_EQ(b.x, 100);
    EXPECT_EQ(b.y, 40 - h + 2);
    EXPECT_EQ(b.width, w);
    EXPECT_EQ(b.height, h);
    sprite->setAlign(1);
    EXPECT_EQ(sprite->getBounds().x, 100 - w / 2);
    sprite->setAlign(2);
    EXPECT_EQ(sprite->getBounds().x, 100 - w);

    // The caret widens the bounds by the width of its bar.
    sprite->setCaret(true);
    EXPECT_EQ(sprite->getBounds().width, w + metrics->stringWidth(String("|")));

    // An empty line keeps the margins.
    sprite->setText(String(""));
    EXPECT_EQ(sprite->getWidth(), 4);
}

TEST(TextSpriteTest, ConfigureSetsPositionAndAlignmentAndTheClassIsCreatableByName) {
    lang::Class* type = lang::Class::forName("TextSprite");
    ASSERT_NE(type, nullptr);
    Ref<lang::Object> object = type->newInstance();
    ASSERT_TRUE(object && object->instanceOf("TextSprite") && object->instanceOf("Sprite"));
    auto* sprite = static_cast<TextSprite*>(object.get());
    auto ints = adopt(new lang::IntArray(3));
    ints->set(0, 30);
    ints->set(1, 50);
    ints->set(2, 2);
    sprite->configure(nullptr, ints.get());
    EXPECT_EQ(sprite->getX(), 30);
    EXPECT_EQ(sprite->getY(), 50);
    EXPECT_EQ(sprite->getAlign(), 2);
    // The default face draws: a created-by-name sprite shows its text.
    sprite->setText(String("v1.0"));
    sprite->setLocation(100, 40);
    auto canvas = paintOnBlack(*sprite);
    EXPECT_FALSE(boxOf(*canvas, [](uint32_t p) { return p != black; }).isEmpty());
}

TEST(TextSpriteTest, PreRenderTurnsCoverageInto65AlphaLevels) {
    auto sprite = textSprite("Wg", false, false, false, 0xFF204080u);
    Ref<lang::Image> image = sprite->getRendered();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->getWidth(), sprite->getWidth());
    ASSERT_EQ(image->getHeight(), sprite->getHeight());
    EXPECT_TRUE(image->getHasAlpha());

    // Every pixel carries the text colour; alpha is 0 or 4g - 1 for a grey
    // level g of 1..64.
    int opaque = 0;
    for (uint32_t p : pixelsOf(*image)) {
        EXPECT_EQ(p & 0xFFFFFFu, 0x204080u);
        uint32_t a = p >> 24;
        EXPECT_TRUE(a == 0 || (a + 1) % 4 == 0) << a;
        opaque += a == 255;
    }
    EXPECT_GT(opaque, 20);

    // The first glyph lands at pen 2, its top row ascent - top down.
    Ref<Font> font = testFont();
    const Font::Glyph* glyph = font->getGlyph('W');
    ASSERT_NE(glyph, nullptr);
    const int left = std::max(0, 2 + glyph->left);
    const int top = font->getAscent() - glyph->top;
    int checked = 0;
    for (int row = 0; row < glyph->height; ++row)
        for (int col = 0; col < glyph->width / 2; ++col) {
            const int grey = Font::greyLevel(glyph->coverage[row * glyph->width + col]);
            const uint32_t alpha = pixelAt(*image, left + col, top + row) >> 24;
            if (grey > 0) {
                EXPECT_EQ(alpha, static_cast<uint32_t>(4 * grey - 1)) << col << "," << row;
                ++checked;
            }
        }
    EXPECT_GT(checked, 10);
}

TEST(TextSpriteTest, PreRenderHappensOnlyWithoutSmoothingShadowOrEmptyText) {
    EXPECT_FALSE(textSprite("Text", false, false, true)->getRendered());
    EXPECT_FALSE(textSprite("Text", true, false, false)->getRendered());
    EXPECT_FALSE(textSprite("", false, false, false)->getRendered());
    auto sprite = textSprite("Text", false, true, false);
    EXPECT_TRUE(sprite->getRendered());
    // New text renders again; text that keeps the size reuses the image.
    Ref<lang::Image> first = sprite->getRendered();
    lang::Image* raw = first.get();
    first = nullptr;
    sprite->setText(String("Text"));
    EXPECT_EQ(sprite->getRendered().get(), raw);
    sprite->setText(String(""));
    EXPECT_FALSE(sprite->getRendered());
}

TEST(TextSpriteTest, ColourChangeRendersTheNewColour) {
    auto sprite = textSprite("Ab", false, false, false, white);
    sprite->setColours(Color(red), Color(blue));
    for (uint32_t p : pixelsOf(*sprite->getRendered()))
        EXPECT_EQ(p & 0xFFFFFFu, 0xFF0000u);
}

TEST(TextSpriteTest, TextStaysInsideItsBoundsForEveryAlignmentAndPath) {
    for (bool smoothing : {true, false})
        for (int align : {0, 1, 2}) {
            auto sprite = textSprite("Mixed text", false, false, smoothing);
            sprite->setLocation(80, 40);
            sprite->setAlign(align);
            auto canvas = paintOnBlack(*sprite);
            Rectangle drawn = boxOf(*canvas, [](uint32_t p) { return p != black; });
            Rectangle bounds = sprite->getBounds();
            ASSERT_FALSE(drawn.isEmpty());
            EXPECT_TRUE(contains(bounds, drawn)) << "align " << align << " smoothing " << smoothing;
            // The alignment really moves the text: right-aligned ends left of x.
            if (align == 2) {
                EXPECT_LE(drawn.x + drawn.width, 80);
            } else if (align == 0) {
                EXPECT_GE(drawn.x, 80);
            } else {
                EXPECT_LT(drawn.x, 80);
                EXPECT_GT(drawn.x + drawn.width, 80);
            }
        }
}

TEST(TextSpriteTest, BoxFillsTheBoundsWithTheShadowColourOnBothPaths) {
    for (bool smoothing : {true, false}) {
        auto sprite = textSprite("Box", false, true, smoothing, white, blue);
        sprite->setLocation(20, 40);
        auto canvas = paintOnBlack(*sprite);
        Rectangle bounds = sprite->getBounds();
        EXPECT_EQ(boxOf(*canvas, [](uint32_t p) { return p != black; }).x, bounds.x);
        Rectangle box = boxOf(*canvas, [](uint32_t p) { return p == blue; });
        EXPECT_EQ(box.x, bounds.x);
        EXPECT_EQ(box.y, bounds.y);
        EXPECT_EQ(box.width, bounds.width);
        EXPECT_EQ(box.height, bounds.height);
        EXPECT_EQ(pixelAt(*canvas, bounds.x - 1, bounds.y), black);
        EXPECT_EQ(pixelAt(*canvas, bounds.x, bounds.y + bounds.height), black);
        // The text itself is drawn over the box.
        EXPECT_FALSE(boxOf(*canvas, [](uint32_t p) { return p == white; }).isEmpty());
    }
}

TEST(TextSpriteTest, ThickShadowSurroundsTheTextByOnePixel) {
    auto plain = textSprite("Shadow", false, false, true, white, blue);
    plain->setLocation(20, 40);
    auto plainCanvas = paintOnBlack(*plain);
    Rectangle text = boxOf(*plainCanvas, [](uint32_t p) { return p != black; });

    auto shadowed = textSprite("Shadow", true, false, false, white, blue);
    EXPECT_FALSE(shadowed->getRendered());
    shadowed->setLocation(20, 40);
    auto canvas = paintOnBlack(*shadowed);
    Rectangle all = boxOf(*canvas, [](uint32_t p) { return p != black; });
    // The shadow is the text at offsets 0..2 while the text sits at +1.
    EXPECT_EQ(all.x, text.x - 1);
    EXPECT_EQ(all.y, text.y - 1);
    EXPECT_EQ(all.width, text.width + 2);
    EXPECT_EQ(all.height, text.height + 2);
    // Fully covered text pixels stay the text colour.
    int whiteCount = 0;
    for (int y = text.y; y < text.y + text.height; ++y)
        for (int x = text.x; x < text.x + text.width; ++x)
            if (pixelAt(*plainCanvas, x, y) == white) {
                EXPECT_EQ(pixelAt(*canvas, x, y), white);
                ++whiteCount;
            }
    EXPECT_GT(whiteCount, 10);
}

TEST(TextSpriteTest, UnloadAndReloadGiveTheSamePixels) {
    auto sprite = textSprite("Reload me", false, false, false);
    sprite->setLocation(10, 40);
    auto before = paintOnBlack(*sprite);

    // An unload asked for runs on the next update.
    sprite->setUnloadPending(true);
    Rectangle rect;
    sprite->update(0, rect);
    EXPECT_FALSE(sprite->getRendered());

    sprite->reloadImage();
    ASSERT_TRUE(sprite->getRendered());
    auto after = paintOnBlack(*sprite);
    EXPECT_EQ(pixelsOf(*before), pixelsOf(*after));

    // Reloading while an image exists keeps that image.
    lang::Image* kept = sprite->getRendered().get();
    sprite->reloadImage();
    EXPECT_EQ(sprite->getRendered().get(), kept);
}

TEST(TextSpriteTest, CaretBlinksEveryTwentyTicksAndRepaints) {
    auto sprite = textSprite("Name", false, false, true);
    sprite->setLocation(10, 40);
    Rectangle rect;
    sprite->update(0, rect);
    sprite->setCaret(true);
    EXPECT_TRUE(sprite->isCaretVisible());
    auto withCaret = paintOnBlack(*sprite);
    Rectangle caretArea = boxOf(*withCaret, [](uint32_t p) { return p != black; });

    for (int t = 1; t < 20; ++t) {
        rect = Rectangle();
        sprite->update(t, rect);
        EXPECT_TRUE(sprite->isCaretVisible()) << t;
    }
    rect = Rectangle();
    EXPECT_TRUE(sprite->update(20, rect));
    EXPECT_FALSE(sprite->isCaretVisible());
    EXPECT_TRUE(contains(rect, sprite->getBounds()));
    auto withoutCaret = paintOnBlack(*sprite);
    Rectangle textArea = boxOf(*withoutCaret, [](uint32_t p) { return p != black; });
    // The bar is drawn just after the text.
    EXPECT_GT(caretArea.x + caretArea.width, textArea.x + textArea.width);
    EXPECT_TRUE(contains(sprite->getBounds(), caretArea));

    rect = Rectangle();
    sprite->update(40, rect);
    EXPECT_TRUE(sprite->isCaretVisible());
}
