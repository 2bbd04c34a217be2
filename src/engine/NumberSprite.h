#pragma once

#include "engine/AnimateSprite.h"

#include <typeinfo>

namespace engine {

// Draws a number, an amount of money or a clock time from a horizontal strip
// of equal digit cells.
//
// The strip holds 15 cells (time separator, minus, currency symbol, comma,
// full stop, digits 0-9), or only the ten digits in plain style. Layout is
// measured in half-digit units: a digit, the minus, the currency symbol and
// the time separator take 2, a decimal or group separator 1. Digits are
// painted right to left, each through a clip of one cell, and `spacing`
// pulls consecutive cells together by that many pixels (0 to a cell less 1).
//
// The width comes from walking the same sequence of cells that paint draws,
// so the bounds always cover exactly what is painted (amounts below 1.00
// show three digits, "0.05", and are laid out that way).
//
// The number fields are guarded by the sprite's monitor, which comes before
// the dirty lock.
class NumberSprite : public AnimateSprite {
    LANG_CLASS(NumberSprite, AnimateSprite);

    // The styles, as a data file's ints[4] names them; anything else groups.
    static constexpr int styleGrouped = 0;
    static constexpr int stylePlain = 1;
    static constexpr int styleCurrency = 2;
    static constexpr int styleTime = 3;

    // Cells of the 15-cell strip.
    static constexpr int cellTimeSeparator = 0;
    static constexpr int cellMinus = 1;
    static constexpr int cellCurrency = 2;
    static constexpr int cellComma = 3;
    static constexpr int cellFullStop = 4;
    static constexpr int cellFirstDigit = 5;
    // A group separator that leaves a half-cell gap without a glyph.
    static constexpr int cellNone = -1;

    // The strip cells of the decimal and group separators.
    struct Separators {
        int decimalCell = cellFullStop;
        int groupCell = cellComma;
    };
    // Cells for a locale's separator characters (ANSI; 0 when it has none):
    // a "," decimal separator uses the comma cell, anything else the full
    // stop; a "." group separator uses the full stop, a space or no-break
    // space a gap, anything else the comma.
    static Separators separatorsFor(char decimal, char thousands);
    // The user's locale's cells, chosen once per process.
    static Separators localeSeparators();

    NumberSprite();
    ~NumberSprite() override;

    // ints[0], ints[1] position; ints[2] align; ints[3] value (seconds in
    // time style); ints[4] style; objects[0] the digit strip.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    // Its updates are AnimateSprite's.
    bool isSettled() override {
        return typeid(*this) == typeid(NumberSprite) && isAnimationResting();
    }
    // The laid-out cells: x shifted by `align` (0 starts, 1 centres, 2 ends
    // the number at x), the image's height, intersected with the clip.
    lang::Rectangle getBounds() override;
    lang::Ref<Sprite> copy() override;
    // Also takes the cell width from the strip.
    void setImage(lang::Image* image) override;
    using AnimateSprite::setImage;
    // In time style `v` is a number of seconds, kept as hhmmss
    // (ss + 100 * mm + 10000 * hh; hours stop at 99999).
    virtual void setValue(int v);

    // The value; in time style reduced modulo 10000, then modulo 1000 when
    // still four digits.
    int getValue();
    int getWidthUnits();
    int getStyle();
    // Each repaints when the laid-out number changes.
    void setStyle(int style);
    void setMinDigits(int digits);
    void setSpacing(int pixels);
    void setAlign(int align);
    // Replaces the locale's separator cells for this sprite.
    void setSeparators(const Separators& cells);

private:
    struct Layout;
    Layout snapshot();
    static int cellsPerStrip(int style);
    // Repaints around a change of the number fields made by `change`.
    template <class Change>
    void changeLayout(Change change);
    void layoutLocked();

    int32_t value = 0;
    int32_t widthUnits = 0;
    int32_t minDigits = 0;
    int32_t align = 0;
    int32_t spacing = 0;
    int32_t style = styleGrouped;
    // The strip's size, taken when it is set: an unloaded strip keeps its
    // layout until it is reloaded.
    int32_t stripWidth = 0;
    int32_t stripHeight = 0;
    Separators separators;
};

} // namespace engine
