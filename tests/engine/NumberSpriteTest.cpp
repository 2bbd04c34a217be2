#include "engine/NumberSprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using engine::NumberSprite;
using lang::adopt;
using lang::Rectangle;
using lang::Ref;
using testsupport::graphicsOn;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr int cellWidth = 4;
constexpr int cellHeight = 3;
constexpr int canvasWidth = 160;

uint32_t cellColour(int cell) {
    return 0xFF000000u | static_cast<uint32_t>(cell + 1) << 4;
}

// A strip of solid cells of distinct colours.
Ref<lang::Image> strip(int cells) {
    auto image = solidImage(cells * cellWidth, cellHeight, 0);
    for (int c = 0; c < cells; ++c)
        for (int row = 0; row < cellHeight; ++row)
            for (int col = 0; col < cellWidth; ++col)
                image->getPixels()[row * cells * cellWidth + c * cellWidth + col] = cellColour(c);
    image->setHasAlpha(false);
    return image;
}

struct Painted {
    std::string text;
    int left = -1;  // first painted column
    int right = -1; // one past the last painted column
};

// Paints the sprite on a transparent canvas and reads its top row back as
// text: a full cell per digit or sign, a half cell per separator, " " for a
// half-cell gap. Only meaningful without spacing.
Painted paintAndRead(NumberSprite& sprite, bool plain = false) {
    auto canvas = solidImage(canvasWidth, cellHeight, 0);
    Rectangle flushed;
    sprite.update(0, flushed);
    sprite.paint(*graphicsOn(canvas.get()));
    Painted result;
    for (int col = 0; col < canvasWidth; ++col)
        if (pixelAt(*canvas, col, cellHeight - 1) != 0) {
            if (result.left < 0)
                result.left = col;
            result.right = col + 1;
        }
    const char* glyphs = plain ? "0123456789" : ":-$,.0123456789";
    for (int col = result.left; col >= 0 && col < result.right;) {
        uint32_t p = pixelAt(*canvas, col, 0);
        int cell = p == 0 ? -1 : static_cast<int>((p & 0xFFFFFF) >> 4) - 1;
        bool half = cell < 0 || (!plain && (cell == 3 || cell == 4));
        result.text += cell < 0 ? ' ' : cell < (plain ? 10 : 15) ? glyphs[cell] : '?';
        col += half ? cellWidth / 2 : cellWidth;
    }
    return result;
}

Ref<NumberSprite> numberSprite(int style, int x = 20, int align = 0) {
    auto sprite = adopt(new NumberSprite());
    sprite->setSeparators(NumberSprite::separatorsFor('.', ','));
    sprite->setStyle(style);
    sprite->setAlign(align);
    sprite->setLocation(x, 0);
    sprite->setImage(strip(style == NumberSprite::stylePlain ? 10 : 15).get());
    return sprite;
}

std::string shown(NumberSprite& sprite, int value, bool plain = false) {
    sprite.setValue(value);
    Painted p = paintAndRead(sprite, plain);
    Rectangle b = sprite.getBounds();
    EXPECT_EQ(p.left, b.x) << p.text;
    EXPECT_EQ(p.right, b.x + b.width) << p.text;
    return p.text;
}

} // namespace

TEST(NumberSpriteCurrencyTest, CentsShownOnlyWhenThereAreAny) {
    auto sprite = numberSprite(NumberSprite::styleCurrency);
    EXPECT_EQ(shown(*sprite, 123456), "$1,234.56");
    EXPECT_EQ(shown(*sprite, 100000), "$1,000");
    EXPECT_EQ(shown(*sprite, 100), "$1");
    EXPECT_EQ(shown(*sprite, 0), "$0");
    EXPECT_EQ(shown(*sprite, -123456), "-$1,234.56");
    EXPECT_EQ(shown(*sprite, 123456789), "$1,234,567.89");
}

TEST(NumberSpriteCurrencyTest, AmountsBelowOneShowThreeDigitsInsideTheBounds) {
    auto sprite = numberSprite(NumberSprite::styleCurrency);
    EXPECT_EQ(shown(*sprite, 5), "$0.05");
    EXPECT_EQ(sprite->getWidthUnits(), 9);
    EXPECT_EQ(shown(*sprite, 50), "$0.50");
    EXPECT_EQ(shown(*sprite, 99), "$0.99");
    EXPECT_EQ(shown(*sprite, -5), "-$0.05");
}

TEST(NumberSpriteTimeTest, SecondsShowAsAClock) {
    auto sprite = numberSprite(NumberSprite::styleTime);
    EXPECT_EQ(shown(*sprite, 3725), "1:02:05");
    EXPECT_EQ(shown(*sprite, 59), "59");
    EXPECT_EQ(shown(*sprite, 600), "10:00");
    sprite->setMinDigits(3);
    EXPECT_EQ(shown(*sprite, 59), "0:59");
    sprite->setMinDigits(6);
    EXPECT_EQ(shown(*sprite, 5), "00:00:05");
    // A hundred hours needs a third separator; the bounds must still hold it.
    sprite->setMinDigits(0);
    EXPECT_EQ(shown(*sprite, 360000), "1:00:00:00");
}

TEST(NumberSpriteGroupedTest, ThousandsAreGroupedAndSignShown) {
    auto sprite = numberSprite(NumberSprite::styleGrouped);
    EXPECT_EQ(shown(*sprite, 999), "999");
    EXPECT_EQ(shown(*sprite, 1000), "1,000");
    EXPECT_EQ(shown(*sprite, 1234567), "1,234,567");
    EXPECT_EQ(shown(*sprite, -1000), "-1,000");
    EXPECT_EQ(shown(*sprite, INT_MIN), "-2,147,483,648");
    sprite->setMinDigits(5);
    EXPECT_EQ(shown(*sprite, 7), "00,007");
}

TEST(NumberSpriteGroupedTest, LocaleSeparatorsPickTheirCells) {
    auto sprite = numberSprite(NumberSprite::styleCurrency);
    sprite->setSeparators(NumberSprite::separatorsFor(',', '.'));
    EXPECT_EQ(shown(*sprite, 123456), "$1.234,56");

    // A space or no-break space groups with a half-cell gap and no glyph.
    for (char space : {' ', static_cast<char>(0xA0)}) {
        auto grouped = numberSprite(NumberSprite::styleGrouped);
        grouped->setSeparators(NumberSprite::separatorsFor(',', space));
        EXPECT_EQ(shown(*grouped, 1000), "1 000");
        EXPECT_EQ(grouped->getWidthUnits(), 9);
    }
    auto defaults = NumberSprite::separatorsFor('.', 0);
    EXPECT_EQ(defaults.groupCell, NumberSprite::cellComma);
    EXPECT_EQ(defaults.decimalCell, NumberSprite::cellFullStop);
}

TEST(NumberSpritePlainTest, TenCellStripAndNoMinus) {
    auto sprite = numberSprite(NumberSprite::stylePlain);
    EXPECT_EQ(shown(*sprite, -42, true), "42");
    EXPECT_EQ(sprite->getBounds().width, 2 * cellWidth);
    EXPECT_EQ(shown(*sprite, 1234567, true), "1234567");
}

TEST(NumberSpriteBoundsTest, BoundsCoverExactlyThePaintedCellsInEveryLayout) {
    const int values[] = {0, 5, 59, 100, 999, 1000, 3725, 99999, -7, -123456, 2000000000};
    for (int style = 0; style < 4; ++style)
        for (int align = 0; align < 3; ++align)
            for (int spacing : {0, 1, -3, cellWidth + 2})
                for (int minDigits : {0, 4})
                    for (char group : {',', ' '})
                        for (int value : values) {
                            auto sprite = numberSprite(style, 80, align);
                            sprite->setSeparators(NumberSprite::separatorsFor('.', group));
                            sprite->setSpacing(spacing);
                            sprite->setMinDigits(minDigits);
                            sprite->setValue(value);
                            Painted p = paintAndRead(*sprite, style == NumberSprite::stylePlain);
                            Rectangle b = sprite->getBounds();
                            SCOPED_TRACE(testing::Message()
                                         << "style " << style << " align " << align << " spacing "
                                         << spacing << " value " << value);
                            EXPECT_EQ(p.left, b.x);
                            EXPECT_EQ(p.right, b.x + b.width);
                            int expectedX = align == 0   ? 80
                                            : align == 1 ? 80 - b.width / 2
                                                         : 80 - b.width;
                            EXPECT_EQ(b.x, expectedX);
                        }
}

TEST(NumberSpriteBoundsTest, SetValueRepaintsTheOldAndTheNewArea) {
    auto sprite = numberSprite(NumberSprite::styleGrouped, 100, 2);
    sprite->setValue(1234567);
    Rectangle before = sprite->getBounds();
    Rectangle flushed;
    sprite->update(0, flushed);
    sprite->setValue(3);
    Rectangle after = sprite->getBounds();
    EXPECT_LT(after.width, before.width);
    Rectangle dirty;
    ASSERT_TRUE(sprite->update(1, dirty));
    EXPECT_EQ(dirty.x, before.x);
    EXPECT_EQ(dirty.x + dirty.width, after.x + after.width);
}

TEST(NumberSpriteTest, CreatedByNameConfiguredAndCopied) {
    auto* cls = lang::Class::forName("NumberSprite");
    ASSERT_NE(cls, nullptr);
    Ref<lang::Object> created = cls->newInstance();
    ASSERT_TRUE(created->instanceOf("AnimateSprite"));
    auto* sprite = static_cast<NumberSprite*>(created.get());
    sprite->setSeparators(NumberSprite::separatorsFor('.', ','));
    auto digits = strip(15);
    lang::ObjectArray objects(1);
    objects.set(0, digits.get());
    lang::IntArray ints(5);
    const int args[] = {60, 0, 1, 3725, NumberSprite::styleTime};
    for (int i = 0; i < 5; ++i)
        ints.set(i, args[i]);
    sprite->configure(&objects, &ints);
    EXPECT_EQ(paintAndRead(*sprite).text, "1:02:05");
    EXPECT_EQ(sprite->getBounds().x, 60 - 7 * cellWidth / 2);

    Ref<engine::Sprite> copied = sprite->copy();
    ASSERT_TRUE(copied->instanceOf("NumberSprite"));
    auto* copy = static_cast<NumberSprite*>(copied.get());
    EXPECT_EQ(paintAndRead(*copy).text, "1:02:05");
    copy->setValue(59);
    EXPECT_EQ(paintAndRead(*sprite).text, "1:02:05");
    EXPECT_EQ(paintAndRead(*copy).text, "59");
}
