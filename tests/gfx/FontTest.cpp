#include "gfx/Font.h"
#include "gfx/FontMetrics.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using lang::adopt;
using lang::Font;
using lang::FontMetrics;
using lang::Ref;
using lang::String;

TEST(FontTest, DefaultFaceHasPlausibleMetrics) {
    Ref<Font> font = adopt(new Font(16, 0));
    ASSERT_TRUE(font->isValid());
    EXPECT_TRUE(font->getName().equals("Arial"));
    Ref<FontMetrics> m = font->getFontMetrics();
    // The size is the glyph height without leading: ascent + descent comes
    // out a little above it, as for the usual sans faces.
    EXPECT_GE(m->getHeight(), 16);
    EXPECT_LE(m->getHeight(), 22);
    EXPECT_EQ(m->getHeight(), m->getAscent() + m->getDescent());
    EXPECT_GT(m->getAscent(), m->getDescent());
    // Kept: the same metrics object every time.
    EXPECT_EQ(font->getFontMetrics().get(), m.get());
}

TEST(FontTest, MeasuresStringsAndCharacterRuns) {
    Ref<Font> font = adopt(new Font(String("Arial"), 20, 0));
    Ref<FontMetrics> m = font->getFontMetrics();
    int hello = m->stringWidth(String("Hello"));
    EXPECT_GT(hello, 35);
    EXPECT_LT(hello, 70);
    EXPECT_EQ(hello, m->stringWidth(String("Hello")));
    EXPECT_EQ(m->stringWidth(String("")), 0);
    EXPECT_EQ(m->charsWidth("xHelloy", 1, 5), hello);
    EXPECT_EQ(m->charsWidth("Hello", 0, 0), 0);
    EXPECT_EQ(m->charsWidth("Hello", 0, -3), 0);
    EXPECT_LT(m->charWidth('i'), m->charWidth('W'));
    // Bold is wider.
    Ref<Font> bold = adopt(new Font(String("Arial"), 20, Font::BOLD));
    EXPECT_GT(bold->getFontMetrics()->stringWidth(String("Hello")), hello);
}

TEST(FontTest, GlyphsCarryCoverageAndStayCached) {
    Ref<Font> font = adopt(new Font(24, Font::ITALIC | Font::UNDERLINE));
    const Font::Glyph* g = font->getGlyph('H');
    ASSERT_NE(g, nullptr);
    EXPECT_GT(g->width, 0);
    EXPECT_GT(g->height, 10);
    EXPECT_EQ(g->coverage.size(), static_cast<size_t>(g->width * g->height));
    EXPECT_EQ(font->getGlyph('H'), g);
    EXPECT_EQ(Font::greyLevel(0), 0);
    EXPECT_EQ(Font::greyLevel(255), 64);
    // A space has an advance and no pixels.
    const Font::Glyph* space = font->getGlyph(' ');
    ASSERT_NE(space, nullptr);
    EXPECT_GT(space->advance, 0);
}

TEST(FontTest, UnusableSizesGiveAnInvalidFontThatMeasuresNothing) {
    Ref<Font> font = adopt(new Font(0, 0));
    EXPECT_FALSE(font->isValid());
    EXPECT_EQ(font->getFontMetrics()->stringWidth(String("Hello")), 0);
    EXPECT_EQ(font->getGlyph('A'), nullptr);
    Ref<Font> negative = adopt(new Font(-12, 0));
    EXPECT_FALSE(negative->isValid());
}

TEST(FontConcurrencyTest, ThreadsShareOneFontsGlyphsAndMetrics) {
    Ref<Font> font = adopt(new Font(14, 0));
    std::vector<std::thread> threads;
    std::vector<int> widths(4);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int c = 32; c < 256; ++c)
                font->getGlyph(static_cast<unsigned char>(c));
            widths[t] = font->getFontMetrics()->stringWidth(String("Concurrent"));
        });
    for (auto& th : threads)
        th.join();
    for (int w : widths)
        EXPECT_EQ(w, widths[0]);
}
