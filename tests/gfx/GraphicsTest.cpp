#include "gfx/Color.h"
#include "gfx/FancyHelper.h"
#include "gfx/Font.h"
#include "gfx/FontMetrics.h"
#include "gfx/GraphicsI.h"
#include "gfx/GraphicsW.h"
#include "gfx/Image.h"
#include "gfx/Point.h"
#include "gfx/Rectangle.h"
#include "gfx/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

using lang::adopt;
using lang::Color;
using lang::Font;
using lang::Graphics;
using lang::GraphicsI;
using lang::GraphicsW;
using lang::Image;
using lang::Point;
using lang::Rectangle;
using lang::Ref;
using lang::Region;
using lang::String;

namespace {

Ref<Image> image(int w, int h, uint32_t fill, bool alpha) {
    Ref<Image> img = adopt(new Image(w, h, 1, false));
    std::fill(img->getPixels(), img->getPixels() + w * h, fill);
    img->setHasAlpha(alpha);
    return img;
}

uint32_t at(const Ref<Image>& img, int x, int y) {
    return img->getPixels()[y * img->getWidth() + x];
}

// The pixels equal to `value`, as a count.
int countOf(const Ref<Image>& img, uint32_t value) {
    return static_cast<int>(
        std::count(img->getPixels(), img->getPixels() + img->getWidth() * img->getHeight(), value));
}

constexpr uint32_t black = 0xFF000000u;
constexpr uint32_t red = 0xFFFF0000u;

} // namespace

TEST(GraphicsTest, DrawImageClipsByRectangleAndTranslation) {
    Ref<Image> target = image(8, 8, black, false);
    Ref<Image> sprite = image(4, 4, red, true);
    GraphicsI g(target.get());
    g.translate(2, 2);
    g.clipRect(0, 0, 3, 3);          // device 2..4
    g.drawImage(sprite.get(), 1, 1); // device 3..6
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(at(target, x, y), (x >= 3 && x <= 4 && y >= 3 && y <= 4) ? red : black)
                << x << "," << y;
    Ref<Rectangle> bounds = g.getClipBounds();
    EXPECT_EQ(bounds->x, 0);
    EXPECT_EQ(bounds->width, 3);
}

TEST(GraphicsTest, DrawImageComposesOncePerRegionRectangle) {
    Ref<Image> target = image(8, 4, black, false);
    Ref<Image> sprite = image(8, 4, 0x80FFFFFFu, true);
    GraphicsI g(target.get());
    Region columns;
    columns.add(1, 0, 1, 4);
    columns.add(5, 0, 2, 4);
    g.setClip(&columns);
    g.drawImage(sprite.get(), 0, 0);
    // Half white over black: 255 * 128 / 256 = 127 (the factor (a/2)/128
    // gives the same here), once only even where rectangles meet.
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(at(target, x, 2), (x == 1 || x == 5 || x == 6) ? 0xFF7F7F7Fu : black) << x;
    Ref<Region> clip = g.getClip();
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->intersects(Rectangle(6, 0, 1, 1)));
    EXPECT_FALSE(clip->intersects(Rectangle(2, 0, 3, 4)));
}

TEST(GraphicsTest, EmptyPixelsAndTargetsWithoutAlpha) {
    Ref<Image> withAlpha = image(2, 1, 0, true);
    Ref<Image> withoutAlpha = image(2, 1, 0, false);
    Ref<Image> sprite = image(2, 1, 0x80FF0000u, true);
    GraphicsI a(withAlpha.get()), b(withoutAlpha.get());
    a.drawImage(sprite.get(), 0, 0);
    b.drawImage(sprite.get(), 0, 0);
    EXPECT_EQ(at(withAlpha, 0, 0), 0x80FF0000u);
    EXPECT_EQ(at(withoutAlpha, 0, 0), 0xFF7F0000u);
}

TEST(GraphicsTest, ShadowIsDrawnBeforeTheImageAtItsOffset) {
    Ref<Image> target = image(16, 16, 0xFF808080u, false);
    Ref<Image> sprite = image(6, 6, 0xFFFFFFFFu, true);
    GraphicsI g(target.get());
    lang::FancyHelper* fh = g.getFancyHelper();
    ASSERT_NE(fh, nullptr);
    fh->shadow = true;
    fh->shadowDx = 4;
    fh->shadowDy = 4;
    g.drawImage(sprite.get(), 2, 2);
    EXPECT_EQ(at(target, 1, 1), 0xFF808080u);
    EXPECT_EQ(at(target, 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 7, 7), 0xFFFFFFFFu); // the image covers its own shadow
    EXPECT_EQ(at(target, 8, 8), 0xFF414141u);
    EXPECT_EQ(at(target, 11, 11), 0xFF414141u);
    EXPECT_EQ(at(target, 12, 12), 0xFF808080u);
    EXPECT_EQ(at(target, 9, 3), 0xFF808080u);

    // drawShadow alone: no offset, no image.
    Ref<Image> plain = image(4, 4, 0xFF808080u, false);
    GraphicsI h(plain.get());
    EXPECT_TRUE(h.drawShadow(sprite.get(), 1, 1));
    EXPECT_EQ(at(plain, 0, 0), 0xFF808080u);
    EXPECT_EQ(at(plain, 1, 1), 0xFF414141u);
    GraphicsW w(plain.get());
    EXPECT_FALSE(w.drawShadow(sprite.get(), 0, 0));
}

TEST(GraphicsTest, LevelTintAndAdditiveModeReachTheComposition) {
    Ref<Image> target = image(3, 1, 0xFF101010u, false);
    Ref<Image> sprite = image(1, 1, 0xFFFFFFFFu, false);
    GraphicsI g(target.get());
    g.getFancyHelper()->setTint(0, 128, 128, 128);
    g.drawImage(sprite.get(), 0, 0); // level 0: nothing, even without alpha
    EXPECT_EQ(at(target, 0, 0), 0xFF101010u);
    g.getFancyHelper()->setTint(64, 128, 128, 128);
    g.drawImage(sprite.get(), 1, 0); // 16 + 127 * 239 / 256 = 134
    EXPECT_EQ(at(target, 1, 0), 0xFF868686u);
    g.getFancyHelper()->setTint(128, 128, 128, 128);
    EXPECT_EQ(g.setMode(Graphics::modeAdditive), Graphics::modeNormal);
    g.drawImage(sprite.get(), 2, 0);
    EXPECT_EQ(at(target, 2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(g.setMode(Graphics::modeNormal), Graphics::modeAdditive);
}

TEST(GraphicsTest, FillRectTintsTheColourWithoutBlending) {
    Ref<Image> target = image(4, 4, 0, true);
    GraphicsI g(target.get());
    g.setColor(Color(200, 100, 50));
    g.getFancyHelper()->setTint(10, 64, 128, 256);
    g.clipRect(0, 0, 4, 2);
    g.fillRect(-5, 1, 100, 100);
    EXPECT_EQ(at(target, 0, 0), 0u);
    EXPECT_EQ(at(target, 0, 1), 0xFF646464u);
    EXPECT_EQ(at(target, 3, 1), 0xFF646464u);
    EXPECT_EQ(at(target, 0, 2), 0u);
    EXPECT_EQ(countOf(target, 0xFF646464u), 4);
}

TEST(GraphicsTest, PixelOperations) {
    Ref<Image> target = image(2, 2, 0xFF0000FFu, true);
    GraphicsI g(target.get());
    g.setColor(Color(1, 2, 3));
    g.setPixel(0, 0);
    g.drawPixel(1, 0, 0x80FF0000u);
    g.drawPixel(5, 5, 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 0, 0), 0xFF010203u);
    EXPECT_EQ(at(target, 1, 0), 0xFF7F007Fu);
    EXPECT_EQ(g.getPixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(g.getPixel(2, 0), 0u);
    EXPECT_EQ(g.getPixel(-1, 0), 0u);
    g.translate(1, 1);
    EXPECT_EQ(g.getPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(g.getPixel(1, 0), 0u);

    GraphicsW w(target.get());
    w.setColor(Color(9, 9, 9));
    w.setPixel(1, 1);
    w.drawPixel(1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(w.getPixel(1, 1), 0u);
    EXPECT_EQ(at(target, 1, 1), 0xFF0000FFu);
}

TEST(GraphicsTest, ChildContextsCopyOriginAndClipAndOnlyNarrow) {
    Ref<Image> target = image(10, 10, black, false);
    Ref<Image> sprite = image(10, 10, red, true);
    GraphicsI g(target.get());
    g.translate(1, 1);
    g.clipRect(0, 0, 5, 5);
    Ref<Graphics> child = g.create();
    int ox = 0, oy = 0;
    child->getOrigin(ox, oy);
    EXPECT_EQ(ox, 1);
    EXPECT_EQ(oy, 1);
    child->translate(2, 0);
    child->clipRect(-100, -100, 1000, 1000); // cannot widen
    child->excludeClipRect(0, 0, 1, 5);      // device column 3
    child->drawImage(sprite.get(), -3, -1);
    child->dispose();
    EXPECT_EQ(countOf(target, red), 4 * 5);
    EXPECT_EQ(at(target, 3, 3), black);
    EXPECT_EQ(at(target, 4, 3), red);
    EXPECT_EQ(at(target, 6, 1), black);
    // The parent is unchanged by its child.
    g.getOrigin(ox, oy);
    EXPECT_EQ(ox, 1);
}

TEST(GraphicsTest, BlockCopyOnAFrameBufferSurface) {
    Ref<Image> frame = image(4, 4, black, false);
    Ref<Image> sprite = image(2, 2, 0x00123456u, true);
    GraphicsW w(frame.get());
    EXPECT_EQ(w.getFancyHelper(), nullptr);
    EXPECT_EQ(w.getClip().get(), nullptr);
    w.clipRect(0, 0, 3, 3);
    w.drawImage(sprite.get(), 2, 2);
    // Copied as it is, alpha included, clipped to one pixel.
    EXPECT_EQ(at(frame, 2, 2), 0x00123456u);
    EXPECT_EQ(countOf(frame, 0x00123456u), 1);
    // An image drawn onto itself reads what was there before.
    Ref<Image> self = image(4, 1, 0, true);
    for (int x = 0; x < 4; ++x)
        self->getPixels()[x] = 0xFF000000u | x;
    GraphicsI s(self.get());
    s.drawImage(self.get(), 1, 0);
    EXPECT_EQ(at(self, 1, 0), 0xFF000000u);
    EXPECT_EQ(at(self, 3, 0), 0xFF000002u);
}

TEST(GraphicsTest, ShapesCoverTheRightPixels) {
    Ref<Image> target = image(12, 12, 0, false);
    GraphicsI g(target.get());
    g.setColor(Color(255, 0, 0));
    g.fillOval(1, 1, 10, 10);
    EXPECT_EQ(at(target, 6, 6), red);
    EXPECT_EQ(at(target, 1, 6), red);
    EXPECT_EQ(at(target, 10, 6), red);
    EXPECT_EQ(at(target, 6, 1), red);
    EXPECT_EQ(at(target, 1, 1), 0u);
    EXPECT_EQ(at(target, 10, 10), 0u);
    EXPECT_EQ(at(target, 11, 6), 0u);
    int oval = countOf(target, red);
    EXPECT_NEAR(oval, 79, 8); // pi * 25

    Ref<Image> lines = image(6, 6, 0, false);
    GraphicsI l(lines.get());
    l.setColor(Color(0, 255, 0));
    l.drawLine(0, 0, 5, 0); // end point excluded
    EXPECT_EQ(countOf(lines, 0xFF00FF00u), 5);
    EXPECT_EQ(at(lines, 5, 0), 0u);
    l.drawPixelLine(0, 2, 0, 5);
    EXPECT_EQ(countOf(lines, 0xFF00FF00u), 8);
    l.drawLine(-2000000000, 4, 2000000000, 4); // absurd ends, clipped quickly
    EXPECT_EQ(at(lines, 3, 4), 0xFF00FF00u);

    Ref<Image> tri = image(10, 10, 0, false);
    GraphicsI t(tri.get());
    t.setColor(Color(0, 0, 255));
    Point pts[3] = {Point(0, 0), Point(10, 0), Point(0, 10)};
    t.fillPolygon(pts, 3);
    EXPECT_EQ(at(tri, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(at(tri, 8, 0), 0xFF0000FFu);
    EXPECT_EQ(at(tri, 9, 9), 0u);
    EXPECT_EQ(countOf(tri, 0xFF0000FFu), 55 - 10 + 0); // pixel centres below the diagonal
    t.setColor(Color(255, 255, 255));
    t.drawPolygon(pts, 3);
    EXPECT_EQ(at(tri, 9, 0), 0xFFFFFFFFu);
}

TEST(GraphicsTest, FillCurveFillsInBlackThroughTheBezier) {
    Ref<Image> target = image(20, 20, 0xFFFFFFFFu, false);
    GraphicsI g(target.get());
    g.setColor(Color(255, 0, 0));
    // Control points (0,10), (10,-10), (20,10) after scaling by 2: the curve
    // peaks at (10, 0) and the chord closes the shape along y = 10.
    Point pts[3] = {Point(0, 5), Point(5, -5), Point(10, 5)};
    g.fillCurve(pts, 3, 2.0);
    EXPECT_EQ(at(target, 10, 5), black);
    EXPECT_EQ(at(target, 10, 1), black);
    EXPECT_EQ(at(target, 10, 12), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(countOf(target, red), 0);
    EXPECT_GT(countOf(target, black), 60);
}

TEST(GraphicsTest, TextSitsOnTheBaselineAndIsMeasured) {
    Ref<Font> font = adopt(new Font(20, 0));
    ASSERT_TRUE(font->isValid());
    Ref<lang::FontMetrics> m = font->getFontMetrics();
    Ref<Image> target = image(120, 40, 0xFFFFFFFFu, false);
    GraphicsI g(target.get());
    g.setFont(font.get());
    g.setColor(Color(0, 0, 0));
    g.drawString(String("Hello"), 5, 25);
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (at(target, x, y) != 0xFFFFFFFFu) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0);
    // "Hello" has no descender: ink ends on the baseline row, rising by
    // about the cap height.
    EXPECT_EQ(maxY, 24);
    EXPECT_GE(minY, 25 - m->getAscent());
    EXPECT_LE(minY, 12);
    EXPECT_GE(minX, 5);
    EXPECT_LE(maxX, 5 + m->stringWidth(String("Hello")));
    EXPECT_GT(maxX - minX, m->stringWidth(String("Hello")) - 6);
    // Anti-aliased edges: some grey between black and white.
    bool grey = false;
    for (int i = 0; i < 120 * 40; ++i) {
        uint32_t p = target->getPixels()[i] & 0xFF;
        grey |= p > 0 && p < 255;
    }
    EXPECT_TRUE(grey);
}

TEST(GraphicsTest, TextOnEmptyPixelsKeepsCoverageAsAlpha) {
    Ref<Font> font = adopt(new Font(16, 0));
    Ref<Image> target = image(40, 20, 0, true);
    GraphicsI g(target.get());
    g.setFont(font.get());
    g.setColor(Color(255, 0, 0));
    g.drawString(String("o"), 2, 15);
    bool partial = false, full = false;
    for (int i = 0; i < 40 * 20; ++i) {
        uint32_t p = target->getPixels()[i];
        if (p == 0)
            continue;
        EXPECT_EQ(p & 0xFFFFFFu, 0xFF0000u);
        partial |= (p >> 24) < 255;
        full |= (p >> 24) == 255;
    }
    EXPECT_TRUE(partial);
    EXPECT_TRUE(full);
}

TEST(GraphicsTest, DrawTextWrapsAlignsAndClips) {
    Ref<Font> font = adopt(new Font(12, 0));
    Ref<lang::FontMetrics> m = font->getFontMetrics();
    Ref<Image> target = image(100, 100, 0xFFFFFFFFu, false);
    GraphicsI g(target.get());
    g.setFont(font.get());
    g.setColor(Color(0, 0, 0));
    String text("one two three four five six");
    Rectangle measure(0, 0, 60, 0);
    int h = g.drawText(text, measure, Graphics::textWordBreak | Graphics::textCalcRect);
    EXPECT_EQ(h % m->getHeight(), 0);
    EXPECT_GE(h / m->getHeight(), 3);
    EXPECT_LE(measure.width, 60);
    EXPECT_EQ(countOf(target, 0xFFFFFFFFu), 100 * 100); // measuring draws nothing

    // Right-aligned single line: ink ends near the right edge.
    Rectangle box(0, 0, 100, 20);
    g.drawText(String("end"), box, Graphics::textRight | Graphics::textSingleLine);
    int maxX = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (at(target, x, y) != 0xFFFFFFFFu)
                maxX = std::max(maxX, x);
    EXPECT_GE(maxX, 94);
    // Clipped to the rectangle: nothing below it.
    Rectangle small(0, 40, 100, 5);
    g.drawText(String("Clipped text"), small, 0);
    for (int y = 45; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(at(target, x, y), 0xFFFFFFFFu);
}

TEST(GraphicsTest, UnusableInputDrawsNothing) {
    Ref<Image> empty = adopt(new Image(0, 0, 1, false));
    GraphicsI g(empty.get());
    Ref<Image> sprite = image(2, 2, red, true);
    g.drawImage(sprite.get(), 0, 0);
    g.fillRect(0, 0, 5, 5);
    g.fillOval(0, 0, 5, 5);
    g.drawLine(0, 0, 5, 5);
    g.drawString(String("x"), 0, 0);
    EXPECT_EQ(g.getPixel(0, 0), 0u);
    Ref<Image> target = image(4, 4, black, false);
    GraphicsI t(target.get());
    t.drawImage(nullptr, 0, 0);
    t.drawImage(sprite.get(), 2147483000, -2147483000);
    t.translate(2147483647, 2147483647);
    t.fillRect(-2147483647, -2147483647, 2147483647, 2147483647);
    t.fillPolygon(nullptr, 3);
    t.drawChars("abc", -1, 2, 0, 0);
    EXPECT_EQ(countOf(target, black), 16);
}
