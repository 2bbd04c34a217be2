#pragma once

#include "core/Hashtable.h"
#include "engine/Sprite.h"
#include "gfx/Color.h"
#include "gfx/Font.h"
#include "gfx/FontMetrics.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace engine {

// A scrolling text console: rows of styled cells filled by print(), with word
// wrap and inline markup for colour, bold and italic.
//
// Markup: "`C" + RRGGBB and "`c" + RGB set the colour, "`b"/"`/b" and
// "`i"/"`/i" switch bold and italic, "`n" restores the default colour and
// style, "`l" starts a new line, "`r" returns to the start of the line and
// "``" is a literal backquote; any other escape letter is ignored.
//
// A cell is an int32: bits 0-7 the character, bit 16 bold, bit 17 italic,
// bits 18-21 blue, 22-25 green, 26-29 red (the high four bits of each
// channel); 0 ends a row's text. The console keeps at most `historyMax` rows
// when it keeps history, otherwise only the visible ones.
//
// print, clear and setup may come from the game thread while the render
// thread paints: all of them hold this sprite's monitor, which comes after the
// canvas lock and before the sprite's dirty lock.
class RichTTYSprite : public Sprite {
    LANG_CLASS(RichTTYSprite, Sprite);

    static constexpr int columnsMax = 1024;
    static constexpr int historyMax = 251;
    static constexpr int boldBit = 1 << 16;
    static constexpr int italicBit = 1 << 17;
    static constexpr int colourMask = 0x3FFC0000;
    static constexpr int attributeMask = colourMask | boldBit | italicBit;
    static constexpr const char* faceName = "Verdana";

    using Row = std::array<int32_t, columnsMax>;

    RichTTYSprite();
    ~RichTTYSprite() override;

    // ints[0], ints[1] the position; with at least six ints the console is
    // set up from ints[2] width, ints[3] height, ints[4] font size, ints[5]
    // text colour (0xRRGGBB) and ints[6], when present, the background.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;

    // Sizes the console, picks the largest font of at most `fontSize` pixels
    // in height and empties it. `background` null leaves the area unfilled.
    void setup(int areaWidth, int areaHeight, int fontSize, int textColour,
               const lang::Color* background, bool keepHistory);
    void print(const lang::String& text);
    void clear();

    // Inspection, mostly for tests.
    int getRowCount() const { return rows; }
    int getStoredRowCount();
    int getScrollOffset();
    int getLineHeight() const { return lineHeight; }
    int getWrapWidth() const { return wrapWidth; }
    // Row `index` of the store (0 the oldest) up to its end marker.
    std::vector<int32_t> getRowCells(int index);
    // The characters of a stored row.
    std::string getRowText(int index);
    lang::Font* getFont(int style) const { return fonts[static_cast<size_t>(style & 3)].get(); }
    static int packColour(int rgb);
    static lang::Color cellColour(int32_t cell);

private:
    void putChar(int ch);
    void resetRows();
    Row& currentRow() { return store[static_cast<size_t>(scrollOffset + line)]; }
    lang::Color* colourFor(int32_t attributes);

    // Regular, bold, italic, bold italic: indexed by the style bits >> 16.
    std::array<lang::Ref<lang::Font>, 4> fonts;
    std::array<lang::Ref<lang::FontMetrics>, 4> metrics;
    lang::Ref<lang::Color> background;
    bool keepHistory = false;
    int areaWidth = 0;
    int areaHeight = 0;
    int rows = 1;
    int lineHeight = 0;
    int firstBaseline = 0;
    int wrapWidth = 0;
    std::deque<Row> store;
    int scrollOffset = 0;
    int line = 0;
    int column = 0;
    std::string lineText;
    int lineWidth = 0;
    int currentColour = 0;
    int currentStyle = 0;
    int defaultColour = 0;
    int defaultStyle = 0;
    bool wrapPending = false;
    // The pending wrap broke a word with no space before it in its row.
    bool wrapBrokeWord = false;
    lang::Ref<lang::Hashtable> colourCache;
};

} // namespace engine
