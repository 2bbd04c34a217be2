#include "engine/RichTTYSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "gfx/Graphics.h"

#include <algorithm>

namespace engine {

using lang::Color;
using lang::Rectangle;
using lang::Ref;
using lang::String;
using lang::Synchronized;

LANG_REGISTER_CLASS(RichTTYSprite);

namespace {

constexpr int LF = '\n';
constexpr int CR = '\r';

int hexDigit(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool printable(int ch) {
    return ch >= 32 || (ch & 0x80) != 0;
}

// The cell colour bits of three 4-bit channel values. Each value is masked,
// so a malformed colour escape can never spill into the style or character.
int packNibbles(int red, int green, int blue) {
    return ((red & 0xF) << 26) | ((green & 0xF) << 22) | ((blue & 0xF) << 18);
}

} // namespace

RichTTYSprite::RichTTYSprite() : colourCache(lang::adopt(new lang::Hashtable())) {
    resetRows();
}

RichTTYSprite::~RichTTYSprite() = default;

int RichTTYSprite::packColour(int rgb) {
    return packNibbles((rgb >> 20) & 0xF, (rgb >> 12) & 0xF, (rgb >> 4) & 0xF);
}

Color RichTTYSprite::cellColour(int32_t cell) {
    return Color(((cell >> 26) & 0xF) << 4, ((cell >> 22) & 0xF) << 4, ((cell >> 18) & 0xF) << 4);
}

void RichTTYSprite::configure(lang::ObjectArray*, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    setLocation(ints->get(0), ints->get(1));
    if (ints->size() < 6)
        return;
    Ref<Color> fill;
    if (ints->size() > 6) {
        int rgb = ints->get(6);
        fill = lang::adopt(new Color((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
    setup(ints->get(2), ints->get(3), ints->get(4), ints->get(5), fill.get(), true);
}

void RichTTYSprite::setup(int newWidth, int newHeight, int fontSize, int textColour,
                          const Color* fill, bool history) {
    invalidate();
    {
        Synchronized guard(this);
        int size = fontSize;
        Ref<lang::Font> regular = lang::adopt(new lang::Font(String(faceName), size, 0));
        while (regular->getHeight() > fontSize && size > 0) {
            --size;
            regular = lang::adopt(new lang::Font(String(faceName), size, 0));
        }
        fonts[0] = regular;
        fonts[1] = lang::adopt(new lang::Font(String(faceName), size, lang::Font::BOLD));
        fonts[2] = lang::adopt(new lang::Font(String(faceName), size, lang::Font::ITALIC));
        fonts[3] = lang::adopt(
            new lang::Font(String(faceName), size, lang::Font::BOLD | lang::Font::ITALIC));
        for (size_t i = 0; i < fonts.size(); ++i)
            metrics[i] = fonts[i]->getFontMetrics();

        background = fill ? lang::adopt(new Color(fill->value)) : nullptr;
        keepHistory = history;
        areaWidth = std::max(0, newWidth);
        areaHeight = std::max(0, newHeight);
        // A font too small to open has no height; one pixel per row keeps the
        // row count finite, and the count never exceeds what history keeps.
        lineHeight = std::max(1, metrics[0]->getHeight());
        firstBaseline = metrics[0]->getAscent() + 2;
        wrapWidth = areaWidth - 4;
        rows = std::clamp((areaHeight - 4) / lineHeight, 1, historyMax);
        defaultStyle = 0;
        defaultColour = packColour(textColour);
        colourCache->clear();
        resetRows();
    }
    setSizeQuiet(areaWidth, areaHeight);
    invalidate();
}

void RichTTYSprite::resetRows() {
    store.clear();
    for (int i = 0; i < rows; ++i)
        store.push_back(Row{});
    scrollOffset = 0;
    line = 0;
    column = 0;
    lineText.clear();
    lineWidth = 0;
    wrapPending = false;
    wrapBrokeWord = false;
    currentColour = defaultColour;
    currentStyle = defaultStyle;
}

void RichTTYSprite::clear() {
    {
        Synchronized guard(this);
        resetRows();
    }
    invalidate();
}

void RichTTYSprite::print(const String& text) {
    {
        Synchronized guard(this);
        const char* chars = text.getChars();
        const int length = text.getLength();
        auto at = [&](int i) { return static_cast<int>(static_cast<unsigned char>(chars[i])); };
        for (int i = 0; i < length; ++i) {
            const int ch = at(i);
            if (ch != '`') {
                putChar(ch);
                continue;
            }
            if (++i >= length)
                break;
            bool off = false;
            int code = at(i);
            if (code == '/') {
                if (++i >= length)
                    break;
                off = true;
                code = at(i);
            }
            // Hex digits run to the end of the text at most; a missing or
            // malformed digit counts as -1.
            auto digits = [&](int count, int* out) {
                for (int d = 0; d < count; ++d)
                    out[d] = i + 1 < length ? hexDigit(at(++i)) : -1;
            };
            switch (code) {
            case 'C': {
                int h[6];
                digits(6, h);
                currentColour = packNibbles((h[0] * 16 + h[1]) >> 4, (h[2] * 16 + h[3]) >> 4,
                                            (h[4] * 16 + h[5]) >> 4);
                break;
            }
            case 'c': {
                int h[3];
                digits(3, h);
                currentColour = packNibbles(h[0], h[1], h[2]);
                break;
            }
            case 'b':
                currentStyle = off ? currentStyle & ~boldBit : currentStyle | boldBit;
                break;
            case 'i':
                currentStyle = off ? currentStyle & ~italicBit : currentStyle | italicBit;
                break;
            case 'n':
                currentColour = defaultColour;
                currentStyle = defaultStyle;
                break;
            case 'l':
                putChar(LF);
                break;
            case 'r':
                putChar(CR);
                break;
            case '`':
                putChar('`');
                break;
            default:
                break;
            }
        }
        if (wrapPending)
            putChar(' ');
    }
    invalidate();
}

void RichTTYSprite::putChar(int ch) {
    const lang::FontMetrics* regular = metrics[0].get();
    auto widthOf = [&](int c) { return regular ? regular->charWidth(static_cast<char>(c)) : 0; };

    const int previousIndex = scrollOffset + line - 1;
    if (wrapPending && (printable(ch) || ch == CR || ch == LF) && previousIndex >= 0) {
        Row& previous = store[static_cast<size_t>(previousIndex)];
        int end = 0;
        while (end < columnsMax && previous[static_cast<size_t>(end)] != 0)
            ++end;
        int lastSpace = -1;
        for (int j = end - 1; j >= 0; --j)
            if ((previous[static_cast<size_t>(j)] & 0xFF) == ' ') {
                lastSpace = j;
                break;
            }
        // The word after the last space moves down whole. A word that fills
        // the row by itself is broken instead, and the character that
        // overflowed moves down so no row runs past the wrap width.
        int start = end;
        if (lastSpace >= 0)
            start = lastSpace + 1;
        else if (wrapBrokeWord && end > 1)
            start = end - 1;
        Row& current = currentRow();
        for (int j = start; j < end && column < columnsMax; ++j) {
            int32_t cell = previous[static_cast<size_t>(j)];
            current[static_cast<size_t>(column++)] = cell;
            lineText.push_back(static_cast<char>(cell & 0xFF));
            lineWidth += widthOf(cell & 0xFF);
            previous[static_cast<size_t>(j)] = 0;
        }
        // The space the word leaned on now trails the row above.
        for (int j = start - 1; j >= 0 && (previous[static_cast<size_t>(j)] & 0xFF) == ' '; --j)
            previous[static_cast<size_t>(j)] = 0;
    }
    wrapPending = false;
    wrapBrokeWord = false;

    if (ch == LF) {
        Row& current = currentRow();
        for (int j = columnsMax - 1; j >= 0; --j) {
            int32_t cell = current[static_cast<size_t>(j)];
            if (cell == 0)
                continue;
            if ((cell & 0xFF) != ' ')
                break;
            current[static_cast<size_t>(j)] = 0;
        }
        lineText.clear();
        lineWidth = 0;
        column = 0;
        if (++line >= rows) {
            line = rows - 1;
            // A one-row console still keeps the row above it: a word that
            // wraps is taken from there with the next character.
            const int kept = keepHistory ? historyMax : std::max(rows, 2);
            if (static_cast<int>(store.size()) >= kept) {
                store.pop_front();
                if (scrollOffset > 0)
                    --scrollOffset;
            }
            store.push_back(Row{});
            scrollOffset = static_cast<int>(store.size()) - rows;
        }
        return;
    }
    if (ch == CR) {
        lineText.clear();
        lineWidth = 0;
        column = 0;
        return;
    }
    if (!printable(ch) || column >= columnsMax)
        return;
    lineText.push_back(static_cast<char>(ch));
    lineWidth += widthOf(ch);
    currentRow()[static_cast<size_t>(column++)] = currentStyle | currentColour | (ch & 0xFF);
    const bool fits = lineWidth <= wrapWidth;
    if (column < columnsMax && (fits || ch == ' '))
        return;
    putChar(CR);
    putChar(LF);
    wrapPending = true;
    wrapBrokeWord = !fits;
}

int RichTTYSprite::getStoredRowCount() {
    Synchronized guard(this);
    return static_cast<int>(store.size());
}

int RichTTYSprite::getScrollOffset() {
    Synchronized guard(this);
    return scrollOffset;
}

std::vector<int32_t> RichTTYSprite::getRowCells(int index) {
    Synchronized guard(this);
    std::vector<int32_t> cells;
    if (index < 0 || index >= static_cast<int>(store.size()))
        return cells;
    for (int32_t cell : store[static_cast<size_t>(index)]) {
        if (cell == 0)
            break;
        cells.push_back(cell);
    }
    return cells;
}

std::string RichTTYSprite::getRowText(int index) {
    std::string text;
    for (int32_t cell : getRowCells(index))
        text.push_back(static_cast<char>(cell & 0xFF));
    return text;
}

Color* RichTTYSprite::colourFor(int32_t attributes) {
    Color key(static_cast<uint32_t>(attributes & colourMask));
    auto* cached = static_cast<Color*>(colourCache->get(&key));
    if (cached)
        return cached;
    Ref<Color> keyObject = lang::adopt(new Color(key.value));
    Ref<Color> value = lang::adopt(new Color(cellColour(attributes)));
    colourCache->put(keyObject.get(), value.get());
    return value.get();
}

void RichTTYSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    const int left = x, top = y;
    Ref<lang::Graphics> child = g.create();
    if (!child)
        return;
    Synchronized guard(this);
    // Rows broken inside a word, or glyphs overhanging their advance, must
    // not draw outside the area the sprite repaints.
    child->clipRect(left, top, areaWidth, areaHeight);
    Ref<Rectangle> clip = getClip();
    if (clip)
        child->clipRect(clip->x, clip->y, clip->width, clip->height);
    if (background) {
        child->setColor(*background);
        child->fillRect(left, top, areaWidth, areaHeight);
    }
    char run[columnsMax];
    for (int i = 0; i < rows; ++i) {
        const size_t index = static_cast<size_t>(scrollOffset + i);
        if (index >= store.size())
            break;
        const Row& row = store[index];
        const int baseline = top + i * lineHeight + firstBaseline + 2;
        int pen = left + 2;
        int j = 0;
        while (j < columnsMax && row[static_cast<size_t>(j)] != 0) {
            const int32_t attributes = row[static_cast<size_t>(j)] & attributeMask;
            int count = 0;
            while (j < columnsMax && row[static_cast<size_t>(j)] != 0 &&
                   (row[static_cast<size_t>(j)] & attributeMask) == attributes)
                run[count++] = static_cast<char>(row[static_cast<size_t>(j++)] & 0xFF);
            const size_t style = static_cast<size_t>((attributes >> 16) & 3);
            if (!fonts[style])
                continue;
            child->setFont(fonts[style].get());
            child->setColor(*colourFor(attributes));
            child->drawChars(run, 0, count, pen, baseline);
            pen += metrics[style]->charsWidth(run, 0, count);
        }
    }
    child->dispose();
}

} // namespace engine
