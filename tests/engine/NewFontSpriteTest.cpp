#include "engine/NewFontSprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using engine::NewFontSprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::graphicsOn;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr int lineHeight = 4;
constexpr uint32_t red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu, grey = 0xFF808080u;

struct TestGlyph {
    char c;
    int sourceX, width, bearing, advance;
    uint32_t colour;
};

// 'A' has a bearing, 'i' overhangs its advance, 'j' reaches left of its pen,
// '|' is the caret.
const TestGlyph testGlyphs[] = {
    {' ', 0, 0, 0, 3, 0},    {'A', 0, 3, 1, 5, red},    {'B', 3, 4, 0, 4, green},
    {'i', 7, 3, 0, 2, grey}, {'j', 10, 2, -3, 2, grey}, {'|', 12, 1, 1, 3, blue},
};

// A font image of solid glyph blocks and its table, as a data file gives them.
struct TestFont {
    Ref<lang::Image> image = solidImage(16, lineHeight, 0);
    Ref<lang::Image> table = solidImage(6, 224, 0);

    TestFont() {
        for (const TestGlyph& g : testGlyphs) {
            uint32_t* record = table->getPixels() + (g.c - 32) * 6;
            const int32_t fields[] = {g.sourceX, 0, g.width, lineHeight, g.bearing, g.advance};
            for (int f = 0; f < 6; ++f)
                record[f] = static_cast<uint32_t>(fields[f]);
            for (int row = 0; row < lineHeight; ++row)
                for (int col = 0; col < g.width; ++col)
                    image->getPixels()[row * 16 + g.sourceX + col] = g.colour;
        }
        image->setHasAlpha(true);
    }

    Ref<NewFontSprite> sprite(const char* text, int x = 20, int align = 0) {
        auto s = adopt(new NewFontSprite());
        s->setImage(image.get());
        s->setGlyphs(table.get());
        s->setLocation(x, 0);
        s->setAlign(align);
        s->setText(lang::String(text));
        return s;
    }
};

// The top row as painted, one character per column from `from`: 'r', 'g',
// 'b', 'x' for the glyph colours, '.' for nothing.
std::string row(NewFontSprite& sprite, int from, int to, int* left = nullptr,
                int* right = nullptr) {
    auto canvas = solidImage(64, lineHeight, 0);
    Rectangle flushed;
    sprite.update(1, flushed);
    sprite.paint(*graphicsOn(canvas.get()));
    std::string text;
    for (int col = 0; col < 64; ++col) {
        uint32_t p = pixelAt(*canvas, col, 0);
        if (p && left && *left < 0)
            *left = col;
        if (p && right)
            *right = col + 1;
        if (col >= from && col < to)
            text += p == red ? 'r' : p == green ? 'g' : p == blue ? 'b' : p == grey ? 'x' : '.';
    }
    return text;
}

} // namespace

TEST(NewFontSpriteTest, FirstGlyphIgnoresItsBearingLaterOnesUseIt) {
    TestFont font;
    auto ab = font.sprite("AB");
    EXPECT_EQ(row(*ab, 20, 30), "rrr.gggg..");
    Rectangle b = ab->getBounds();
    EXPECT_EQ(b.x, 20);
    EXPECT_EQ(b.width, 8);
    EXPECT_EQ(b.height, lineHeight);

    auto ba = font.sprite("BA");
    EXPECT_EQ(row(*ba, 20, 30), "gggg.rrr..");
    EXPECT_EQ(ba->getBounds().width, 9); // the pen ends past A's ink

    // The last glyph's overhang beyond its advance is part of the width.
    auto bi = font.sprite("Bi");
    EXPECT_EQ(row(*bi, 20, 30), "ggggxxx...");
    EXPECT_EQ(bi->getBounds().width, 7);
}

TEST(NewFontSpriteTest, AlignmentShiftsTextAndBoundsTogether) {
    TestFont font;
    for (int align = 0; align < 3; ++align)
        for (const char* text : {"AB", "Bi", "BAj", "j", "iB ", "A\x01\xFF"}) {
            auto sprite = font.sprite(text, 30, align);
            int left = -1, right = -1;
            row(*sprite, 0, 0, &left, &right);
            Rectangle b = sprite->getBounds();
            SCOPED_TRACE(testing::Message() << "align " << align << " text " << text);
            EXPECT_LE(b.x, left);
            EXPECT_GE(b.x + b.width, right);
        }
    auto centred = font.sprite("AB", 30, 1);
    EXPECT_EQ(row(*centred, 26, 36), "rrr.gggg..");
    auto ending = font.sprite("AB", 30, 2);
    EXPECT_EQ(row(*ending, 22, 32), "rrr.gggg..");
    // A glyph reaching left of the pen widens the bounds, not the layout.
    auto reach = font.sprite("ij", 30);
    EXPECT_EQ(row(*reach, 28, 34), ".xxxx.");
    EXPECT_EQ(reach->getBounds().x, 29);
    EXPECT_EQ(reach->getBounds().width, 5);
}

TEST(NewFontSpriteTest, CaretBlinksAfterTheTextInsideTheBounds) {
    TestFont font;
    auto sprite = font.sprite("AB");
    sprite->setCaret(true);
    EXPECT_EQ(row(*sprite, 20, 30), "rrr.gggg.b");
    EXPECT_EQ(sprite->getBounds().width, 10);

    Rectangle dirty;
    sprite->update(2, dirty);
    EXPECT_FALSE(sprite->update(19, dirty));
    ASSERT_TRUE(sprite->update(NewFontSprite::caretPeriod, dirty));
    EXPECT_FALSE(sprite->isCaretVisible());
    EXPECT_EQ(dirty.width, 10);
    EXPECT_EQ(row(*sprite, 20, 30), "rrr.gggg..");

    sprite->setCaret(false);
    EXPECT_EQ(sprite->getBounds().width, 8);
}

TEST(NewFontSpriteTest, BrokenTablesDrawNothingAndNeverReachOutside) {
    TestFont font;
    // A table too short for the text, one of hostile values, and none.
    auto shortTable = solidImage(6, 2, 0);
    auto hostile = solidImage(6, 224, 0x80000000u);
    for (lang::Image* table :
         {shortTable.get(), hostile.get(), static_cast<lang::Image*>(nullptr)}) {
        auto sprite = font.sprite("AB\x7F\xFF");
        sprite->setGlyphs(table);
        row(*sprite, 0, 0);
        Rectangle b = sprite->getBounds();
        EXPECT_GE(b.width, 0);
        EXPECT_GE(b.height, 0);
    }
    auto none = font.sprite("A");
    none->setGlyphs(nullptr);
    EXPECT_EQ(none->getBounds().width, 0);
}

TEST(NewFontSpriteTest, CreatedByNameConfiguredAndCopied) {
    TestFont font;
    auto* cls = lang::Class::forName("NewFontSprite");
    ASSERT_NE(cls, nullptr);
    Ref<lang::Object> created = cls->newInstance();
    ASSERT_TRUE(created->instanceOf("Sprite"));
    auto* sprite = static_cast<NewFontSprite*>(created.get());
    lang::ObjectArray objects(2);
    objects.set(0, font.image.get());
    objects.set(1, font.table.get());
    lang::IntArray ints(3);
    ints.set(0, 28);
    ints.set(1, 0);
    ints.set(2, 2);
    sprite->configure(&objects, &ints);
    EXPECT_EQ(sprite->getText().getLength(), 0);
    sprite->setText(lang::String("AB"));
    EXPECT_EQ(row(*sprite, 20, 28), "rrr.gggg");

    Ref<engine::Sprite> copied = sprite->copy();
    ASSERT_TRUE(copied->instanceOf("NewFontSprite"));
    EXPECT_EQ(row(*static_cast<NewFontSprite*>(copied.get()), 20, 28), "rrr.gggg");
    EXPECT_EQ(copied->getBounds().x, 20);
}
