#include "engine/RichTTYSprite.h"
#include "core/Class.h"
#include "core/IntArray.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using engine::RichTTYSprite;
using lang::adopt;
using lang::Color;
using lang::Ref;
using lang::String;
using testsupport::graphicsOn;
using testsupport::pixelAt;
using testsupport::solidImage;

namespace {

constexpr uint32_t black = 0xFF000000u;

Ref<RichTTYSprite> console(int width, int height, int fontSize = 14, bool history = false,
                           int colour = 0xFFFFFF) {
    auto sprite = adopt(new RichTTYSprite());
    sprite->setup(width, height, fontSize, colour, nullptr, history);
    return sprite;
}

void print(RichTTYSprite& sprite, const std::string& text) {
    sprite.print(String(text.c_str()));
}

int textWidth(RichTTYSprite& sprite, const std::string& text) {
    return sprite.getFont(0)->getFontMetrics()->stringWidth(String(text.c_str()));
}

std::string allText(RichTTYSprite& sprite) {
    std::string text;
    for (int i = 0; i < sprite.getStoredRowCount(); ++i)
        text += sprite.getRowText(i);
    return text;
}

} // namespace

TEST(RichTTYSpriteTest, SetupFitsTheFontToTheSizeAndKeepsAtLeastOneRow) {
    auto sprite = console(300, 200, 16);
    EXPECT_LE(sprite->getFont(0)->getHeight(), 16);
    EXPECT_GT(sprite->getFont(0)->getHeight(), 10);
    EXPECT_EQ(sprite->getFont(0)->getSize(), sprite->getFont(3)->getSize());
    EXPECT_TRUE(sprite->getFont(1)->isBold());
    EXPECT_TRUE(sprite->getFont(2)->isItalic());
    EXPECT_EQ(sprite->getLineHeight(), sprite->getFont(0)->getHeight());
    EXPECT_EQ(sprite->getRowCount(), (200 - 4) / sprite->getLineHeight());
    EXPECT_EQ(sprite->getWrapWidth(), 296);
    EXPECT_EQ(sprite->getStoredRowCount(), sprite->getRowCount());

    // One row still wraps whole words: the word leaves the row scrolled away.
    auto single = console(300, 5, 16);
    EXPECT_EQ(single->getRowCount(), 1);
    auto probe = console(1000, 100, 16);
    auto narrow = console(textWidth(*probe, "Hello wond") + 4, 5, 16);
    print(*narrow, "Hello wonderful");
    EXPECT_EQ(narrow->getRowText(narrow->getScrollOffset()), "wonderful");
    // Nonsense sizes from a data file stay bounded.
    auto odd = console(-5, 2000000000, 0);
    EXPECT_GE(odd->getRowCount(), 1);
    EXPECT_LE(odd->getRowCount(), RichTTYSprite::historyMax);
    print(*odd, "still works");
}

TEST(RichTTYSpriteTest, ConfigureNeedsSixIntsAndIsCreatableByName) {
    lang::Class* type = lang::Class::forName("RichTTYSprite");
    ASSERT_NE(type, nullptr);
    Ref<lang::Object> object = type->newInstance();
    ASSERT_TRUE(object && object->instanceOf("RichTTYSprite"));
    auto* sprite = static_cast<RichTTYSprite*>(object.get());
    // Printing before any setup is safe.
    print(*sprite, "early words");

    auto few = adopt(new lang::IntArray(5));
    few->set(0, 7);
    few->set(1, 9);
    few->set(2, 100);
    sprite->configure(nullptr, few.get());
    EXPECT_EQ(sprite->getX(), 7);
    EXPECT_EQ(sprite->getWidth(), 0);

    auto ints = adopt(new lang::IntArray(7));
    const int values[] = {10, 20, 200, 100, 14, 0x00FF00, 0x000080};
    for (int i = 0; i < 7; ++i)
        ints->set(i, values[i]);
    sprite->configure(nullptr, ints.get());
    EXPECT_EQ(sprite->getWidth(), 200);
    EXPECT_EQ(sprite->getHeight(), 100);
    print(*sprite, "A");
    EXPECT_EQ(sprite->getRowCells(0).at(0), RichTTYSprite::packColour(0x00FF00) | 'A');

    // The background fills the area; nothing is drawn outside it.
    auto canvas = solidImage(240, 140, black);
    auto g = graphicsOn(canvas.get());
    sprite->paint(*g);
    EXPECT_EQ(pixelAt(*canvas, 10, 20), 0xFF000080u);
    EXPECT_EQ(pixelAt(*canvas, 209, 119), 0xFF000080u);
    EXPECT_EQ(pixelAt(*canvas, 210, 119), black);
    EXPECT_EQ(pixelAt(*canvas, 9, 20), black);
}

TEST(RichTTYSpriteTest, AWordThatOverflowsMovesDownWhole) {
    const std::string first = "Some words here";
    auto probe = console(1000, 100);
    const int width = textWidth(*probe, first + " an") + 4;
    auto sprite = console(width, 200);
    print(*sprite, first + " and more");
    EXPECT_EQ(sprite->getRowText(0), first);
    EXPECT_EQ(sprite->getRowText(1), "and more");

    // Words moved down keep their attributes.
    auto styled = console(width, 200);
    print(*styled, first + " `band`/b more");
    EXPECT_EQ(styled->getRowText(1), "and more");
    EXPECT_TRUE(styled->getRowCells(1)[0] & RichTTYSprite::boldBit);
    EXPECT_FALSE(styled->getRowCells(1)[4] & RichTTYSprite::boldBit);
}

TEST(RichTTYSpriteTest, WrappedTextKeepsEveryCharacterWithinTheWrapWidth) {
    auto sprite = console(150, 400, 14, true);
    const std::string text = "The quick brown fox jumps over the lazy dog while an "
                             "extraordinarilylongwordwithoutanyspacesatall follows it";
    print(*sprite, text);
    const std::string longWord = "extraordinarilylongwordwithoutanyspacesatall";
    const size_t longStart = text.find(longWord), longEnd = longStart + longWord.size();
    std::string joined;
    int used = 0;
    for (int i = 0; i < sprite->getStoredRowCount(); ++i) {
        std::string row = sprite->getRowText(i);
        if (row.empty())
            continue;
        ++used;
        EXPECT_LE(textWidth(*sprite, row), sprite->getWrapWidth()) << row;
        // Each row is a stretch of the text; only the long word is cut inside.
        size_t at = text.find(row);
        ASSERT_NE(at, std::string::npos) << row;
        const size_t end = at + row.size();
        if (at >= longEnd || end <= longStart) {
            EXPECT_TRUE(at == 0 || text[at - 1] == ' ') << row;
            EXPECT_TRUE(end == text.size() || text[end] == ' ') << row;
        }
        joined += row;
    }
    EXPECT_GT(used, 4);
    // No character is lost or doubled by moving words and breaking the long one.
    auto withoutSpaces = [](std::string s) {
        std::erase(s, ' ');
        return s;
    };
    EXPECT_EQ(withoutSpaces(joined), withoutSpaces(text));
}

TEST(RichTTYSpriteTest, ARowNeverHoldsMoreThan1024Cells) {
    auto sprite = console(100000, 100, 10, true);
    print(*sprite, std::string(2500, 'i'));
    int total = 0;
    for (int i = 0; i < sprite->getStoredRowCount(); ++i) {
        auto cells = sprite->getRowCells(i);
        EXPECT_LE(cells.size(), 1024u);
        total += static_cast<int>(cells.size());
    }
    EXPECT_EQ(total, 2500);
    EXPECT_EQ(sprite->getRowCells(0).size(), 1024u);
}

TEST(RichTTYSpriteTest, HistoryKeepsAtMost251RowsDroppingTheOldest) {
    auto sprite = console(300, 100, 14, true);
    const int visible = sprite->getRowCount();
    for (int i = 0; i < 300; ++i)
        print(*sprite, "line " + std::to_string(i) + "`l");
    EXPECT_EQ(sprite->getStoredRowCount(), RichTTYSprite::historyMax);
    // The cursor sits on a fresh last row; the rows above are the newest lines.
    EXPECT_EQ(sprite->getRowText(RichTTYSprite::historyMax - 1), "");
    EXPECT_EQ(sprite->getRowText(RichTTYSprite::historyMax - 2), "line 299");
    EXPECT_EQ(sprite->getRowText(0), "line 50");
    EXPECT_EQ(sprite->getScrollOffset(), RichTTYSprite::historyMax - visible);

    // Without history only the visible rows are kept.
    auto plain = console(300, 100, 14, false);
    for (int i = 0; i < 30; ++i)
        print(*plain, "line " + std::to_string(i) + "`l");
    EXPECT_EQ(plain->getStoredRowCount(), visible);
    EXPECT_EQ(plain->getScrollOffset(), 0);
    EXPECT_EQ(plain->getRowText(visible - 2), "line 29");

    plain->clear();
    EXPECT_EQ(allText(*plain), "");
    print(*plain, "again");
    EXPECT_EQ(plain->getRowText(0), "again");
}

TEST(RichTTYSpriteTest, MarkupChangesStyleAndColourOfTheFollowingText) {
    auto sprite = console(1000, 100, 14, false, 0x123456);
    const int white = RichTTYSprite::packColour(0xFFFFFF);
    const int base = RichTTYSprite::packColour(0x123456);
    print(*sprite, "a`bb`ic`/bd`/ie`C00FF00f`c00Fg`nh``i`zj`/xk");
    auto cells = sprite->getRowCells(0);
    ASSERT_EQ(sprite->getRowText(0), "abcdefgh`ijk");
    const int bold = RichTTYSprite::boldBit, italic = RichTTYSprite::italicBit;
    EXPECT_EQ(cells[0], base | 'a');
    EXPECT_EQ(cells[1], base | bold | 'b');
    EXPECT_EQ(cells[2], base | bold | italic | 'c');
    EXPECT_EQ(cells[3], base | italic | 'd');
    EXPECT_EQ(cells[4], base | 'e');
    EXPECT_EQ(cells[5], RichTTYSprite::packColour(0x00FF00) | 'f');
    EXPECT_EQ(cells[6], RichTTYSprite::packColour(0x0000FF) | 'g');
    EXPECT_EQ(cells[7], base | 'h');
    EXPECT_EQ(cells[8], base | '`');
    EXPECT_EQ(cells[9], base | 'i');
    EXPECT_EQ(cells[10], base | 'j');
    EXPECT_EQ(cells[11], base | 'k');
    EXPECT_EQ(RichTTYSprite::cellColour(white).value, 0xFFF0F0F0u);

    // Line and carriage-return escapes move the cursor.
    print(*sprite, "`lxyz`rQ");
    EXPECT_EQ(sprite->getRowText(1), "Qyz");

    // Malformed or truncated colours never touch the character or style bits.
    auto broken = console(1000, 100);
    print(*broken, "`CzzZZ!!A`c-1xB`C12");
    for (int32_t cell : broken->getRowCells(0))
        EXPECT_EQ(cell & ~RichTTYSprite::colourMask & ~0xFF, 0);
    EXPECT_EQ(broken->getRowText(0), "AB");
    print(*broken, "`");
    print(*broken, "`/");
    EXPECT_EQ(broken->getRowText(0), "AB");
}

TEST(RichTTYSpriteTest, PaintsRunsInTheirOwnColourAndFont) {
    auto sprite = console(400, 60, 20);
    sprite->setLocation(5, 5);
    print(*sprite, "`CFF0000RRRR`C0000FFBBBB `n`bWWWW");
    auto canvas = solidImage(420, 80, black);
    auto g = graphicsOn(canvas.get());
    sprite->paint(*g);

    const int redEnd = 5 + 2 + textWidth(*sprite, "RRRR");
    const int blueEnd = redEnd + textWidth(*sprite, "BBBB ");
    int reds = 0, blues = 0, whites = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 420; ++x) {
            uint32_t p = pixelAt(*canvas, x, y);
            if (p == 0xFFF00000u) {
                ++reds;
                EXPECT_LT(x, redEnd + 1);
            } else if (p == 0xFF0000F0u) {
                ++blues;
                EXPECT_GE(x, redEnd - 1);
                EXPECT_LT(x, blueEnd);
            } else if (p == 0xFFF0F0F0u) {
                ++whites;
                EXPECT_GE(x, blueEnd - 1);
            }
        }
    EXPECT_GT(reds, 10);
    EXPECT_GT(blues, 10);
    EXPECT_GT(whites, 10);

    // The bold run is drawn with the bold face: wider than the regular text.
    auto plainCanvas = solidImage(420, 80, black);
    auto plainSprite = console(400, 60, 20);
    plainSprite->setLocation(5, 5);
    print(*plainSprite, "`CFF0000RRRR`C0000FFBBBB `nWWWW");
    auto pg = graphicsOn(plainCanvas.get());
    plainSprite->paint(*pg);
    int boldWhites = whites, plainWhites = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 420; ++x)
            plainWhites += pixelAt(*plainCanvas, x, y) == 0xFFF0F0F0u;
    EXPECT_GT(boldWhites, plainWhites);
}
