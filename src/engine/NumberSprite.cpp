#include "engine/NumberSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Graphics.h"
#include "platform/Locale.h" // grouping follows the player's own locale

#include <algorithm>
#include <cstdint>

namespace engine {

using lang::Rectangle;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(NumberSprite);

namespace {

// Owner code sets minDigits; beyond this a number could not fit any screen.
constexpr int maxMinDigits = 64;
constexpr int64_t maxClockHours = 99999;

// Visits the cells that show `value`, right to left, as visit(cell, units):
// a strip cell (or cellNone for a gap) and its width in half-digit units.
// Layout and paint both walk this one sequence so they cannot disagree.
template <class Visit>
void walkCells(int32_t value, int style, int minDigits, const NumberSprite::Separators& cells,
               Visit visit) {
    const bool plain = style == NumberSprite::stylePlain;
    const bool currency = style == NumberSprite::styleCurrency;
    const bool clock = style == NumberSprite::styleTime;
    int64_t v = value < 0 ? -int64_t{value} : int64_t{value};
    int minimum = std::clamp(minDigits, 1, maxMinDigits);
    // The digit counter drives the separators; in currency style the whole
    // part always starts at 3 so that its groups line up with or without
    // cents.
    int counter = 0;
    if (currency) {
        if (v >= 100 && v % 100 == 0) {
            v /= 100; // whole amounts show no cents
            counter = 3;
        } else if (v % 100 != 0) {
            // An amount with cents shows at least "0.05", whatever its sign.
            minimum = std::max(minimum, 3);
        }
    }
    for (int drawn = 1;; ++drawn, ++counter) {
        int digit = static_cast<int>(v % 10);
        visit(plain ? digit : NumberSprite::cellFirstDigit + digit, 2);
        v /= 10;
        if (v == 0 && drawn >= minimum)
            break;
        if (clock) {
            if (counter % 2 == 1)
                visit(NumberSprite::cellTimeSeparator, 2);
        } else if (currency && counter == 1) {
            visit(cells.decimalCell, 1);
            counter = 2;
        } else if (!plain && counter % 3 == 2) {
            visit(cells.groupCell, 1);
        }
    }
    if (currency)
        visit(NumberSprite::cellCurrency, 2);
    if (value < 0 && !plain)
        visit(NumberSprite::cellMinus, 2);
}

// Pixels taken by `units` half-digit units when consecutive cells overlap by
// `spacing` pixels. Cells can overlap by less than a cell only: more would
// move digits rightwards past the bounds, so larger values count as one
// pixel less than a cell, and a negative spacing leaves no gaps.
int pixelsFor(int units, int cellWidth, int spacing) {
    spacing = std::clamp(spacing, 0, std::max(0, cellWidth - 1));
    int64_t pixels = (int64_t{cellWidth} * units + 1) / 2 -
                     std::max<int64_t>(0, int64_t{units - 2} * spacing / 2);
    return static_cast<int>(std::clamp<int64_t>(pixels, 0, INT32_MAX / 2));
}

// hhmmss from a number of seconds.
int32_t clockValue(int seconds) {
    int64_t s = seconds;
    int64_t hours = std::clamp<int64_t>(s / 3600, -maxClockHours, maxClockHours);
    int64_t rest = s % 3600;
    return static_cast<int32_t>(rest % 60 + 100 * (rest / 60) + 10000 * hours);
}

} // namespace

struct NumberSprite::Layout {
    int32_t value;
    int32_t widthUnits;
    int32_t minDigits;
    int32_t align;
    int32_t spacing;
    int32_t style;
    int32_t cellWidth;
    Separators separators;
};

NumberSprite::Separators NumberSprite::separatorsFor(char decimal, char thousands) {
    Separators cells;
    cells.decimalCell = decimal == ',' ? cellComma : cellFullStop;
    if (thousands == '.')
        cells.groupCell = cellFullStop;
    else if (thousands == ' ' || thousands == static_cast<char>(0xA0))
        cells.groupCell = cellNone;
    else
        cells.groupCell = cellComma;
    return cells;
}

NumberSprite::Separators NumberSprite::localeSeparators() {
    static const Separators cells =
        separatorsFor(platform::decimalSeparator(), platform::thousandsSeparator());
    return cells;
}

NumberSprite::NumberSprite() : separators(localeSeparators()) {
    layoutLocked();
}

NumberSprite::~NumberSprite() = default;

int NumberSprite::cellsPerStrip(int style) {
    return style == stylePlain ? 10 : 15;
}

void NumberSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    setLocation(ints->get(0), ints->get(1));
    if (ints->size() > 2)
        setAlign(ints->get(2));
    if (ints->size() > 4)
        setStyle(ints->get(4));
    setValue(ints->size() > 3 ? ints->get(3) : 0);
    setImage(lang::as<lang::Image>(objects && objects->size() > 0 ? objects->get(0) : nullptr));
}

NumberSprite::Layout NumberSprite::snapshot() {
    Synchronized guard(this);
    return Layout{
        value,     widthUnits, minDigits, align, spacing, style, stripWidth / cellsPerStrip(style),
        separators};
}

void NumberSprite::layoutLocked() {
    int units = 0;
    walkCells(value, style, minDigits, separators, [&](int, int cellUnits) { units += cellUnits; });
    widthUnits = units;
    setSizeQuiet(pixelsFor(units, stripWidth / cellsPerStrip(style), spacing), stripHeight);
}

template <class Change>
void NumberSprite::changeLayout(Change change) {
    invalidate();
    {
        Synchronized guard(this);
        change();
        layoutLocked();
    }
    invalidate();
}

Rectangle NumberSprite::getBounds() {
    Layout l = snapshot();
    int w = pixelsFor(l.widthUnits, l.cellWidth, l.spacing);
    Rectangle bounds(x - alignShift(l.align, w), y, w, height);
    if (Ref<Rectangle> clip = getClip())
        bounds.intersect(*clip);
    return bounds;
}

void NumberSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    Ref<lang::Image> strip = getImage();
    if (!strip)
        return;
    Layout l = snapshot();
    const int cw = l.cellWidth, h = height, top = y;
    if (cw <= 0)
        return;
    int width = pixelsFor(l.widthUnits, cw, l.spacing);
    int right = x - alignShift(l.align, width) + width;
    int used = 0;
    walkCells(l.value, l.style, l.minDigits, l.separators, [&](int cell, int units) {
        used += units;
        int left = right - pixelsFor(used, cw, l.spacing);
        if (cell == cellNone)
            return;
        if (units == 2) {
            Rectangle clip(left, top, cw, h);
            paintImage(g, strip.get(), left - cell * cw, top, &clip);
        } else {
            // Separator glyphs sit in the middle of their cells: the half-cell
            // slot shows the cell's middle half.
            Rectangle clip(left, top, (cw + 1) / 2, h);
            paintImage(g, strip.get(), left - cw / 4 - cell * cw, top, &clip);
        }
    });
}

Ref<Sprite> NumberSprite::copy() {
    Ref<NumberSprite> result = lang::adopt(new NumberSprite());
    copyAnimationInto(*result);
    Synchronized guard(this);
    Synchronized targetGuard(result.get());
    result->value = value;
    result->widthUnits = widthUnits;
    result->minDigits = minDigits;
    result->align = align;
    result->spacing = spacing;
    result->style = style;
    result->stripWidth = stripWidth;
    result->stripHeight = stripHeight;
    result->separators = separators;
    result->setSizeQuiet(width, height);
    return result;
}

void NumberSprite::setImage(lang::Image* image) {
    changeLayout([&] {
        setImageQuiet(image);
        stripWidth = image ? image->getWidth() : 0;
        stripHeight = image ? image->getHeight() : 0;
    });
}

void NumberSprite::setValue(int v) {
    changeLayout([&] { value = style == styleTime ? clockValue(v) : v; });
}

int NumberSprite::getValue() {
    Synchronized guard(this);
    if (style != styleTime)
        return value;
    int reduced = value % 10000;
    return reduced >= 1000 ? reduced % 1000 : reduced;
}

int NumberSprite::getWidthUnits() {
    Synchronized guard(this);
    return widthUnits;
}

int NumberSprite::getStyle() {
    Synchronized guard(this);
    return style;
}

void NumberSprite::setStyle(int newStyle) {
    if (newStyle != stylePlain && newStyle != styleCurrency && newStyle != styleTime)
        newStyle = styleGrouped;
    changeLayout([&] { style = newStyle; });
}

void NumberSprite::setMinDigits(int digits) {
    changeLayout([&] { minDigits = std::clamp(digits, 0, maxMinDigits); });
}

void NumberSprite::setSpacing(int pixels) {
    changeLayout([&] { spacing = pixels; });
}

void NumberSprite::setAlign(int newAlign) {
    changeLayout([&] { align = newAlign; });
}

void NumberSprite::setSeparators(const Separators& cells) {
    changeLayout([&] { separators = cells; });
}

} // namespace engine
