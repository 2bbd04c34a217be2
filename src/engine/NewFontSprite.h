#pragma once

#include "core/String.h"
#include "engine/Sprite.h"

namespace engine {

// One line of text drawn from a bitmap font: a font image holding the glyphs
// and a glyph table, with an optional blinking caret.
//
// Glyph table: a second image whose pixel buffer, read as consecutive int32
// values, holds one record per character code from 32 upwards, six fields
// each: source x, source y, width, height, bearing, advance. The line height
// is the height of the first record (the space). Characters beyond the table
// or below 32 take no room and draw nothing.
//
// Stored form (what ripple-glyphs writes): a PNG of 8-bit RGBA, 6 pixels wide
// and one row per character, in which each pixel's 32-bit ARGB value (alpha
// in the high byte) is one field. PNG keeps every byte as written, so the
// fields, negative bearings included, come back exactly when the image is
// loaded by name like any other. The glyphs of the font image are cut
// (source x, source y, width, height) with every record's height being the
// line height, so all glyphs of a line share one baseline.
//
// The text fields are guarded by the sprite's monitor, which comes before
// the dirty lock.
class NewFontSprite : public Sprite {
    LANG_CLASS(NewFontSprite, Sprite);

    // Ticks between caret blinks.
    static constexpr int caretPeriod = 20;

    NewFontSprite();
    ~NewFontSprite() override;

    // objects[0] the font image, objects[1] the glyph table; ints[0], ints[1]
    // the position, ints[2] the alignment. The text starts empty.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    // Blinks the caret while it is on.
    bool update(int time, lang::Rectangle& rect) override;
    // The measured text (and the caret while it is on): x shifted by `align`
    // (1 centres, 2 ends the text at x), the line height high.
    lang::Rectangle getBounds() override;
    lang::Ref<Sprite> copy() override;
    // Sets the font image; the size stays the measured text's.
    void setImage(lang::Image* image) override;

    virtual void setText(const lang::String& text);
    virtual void setCaret(bool on);

    // The glyph table image (counted; null drops it).
    void setGlyphs(lang::Image* glyphs);
    void setAlign(int align);
    lang::String getText();
    bool isCaretVisible();

private:
    struct Glyph;
    // The record of character `c`; all zero when the table lacks it.
    static Glyph glyphOf(const lang::Image* table, unsigned char c);
    // Measures the text and the caret and sizes the sprite to the bounds.
    void measureLocked();
    // Repaints around a change made by `change`, measuring again.
    template <class Change>
    void changeText(Change change);

    lang::String text;
    lang::Ref<lang::Image> glyphs;
    int32_t align = 0;
    bool caretOn = false;
    bool caretVisible = false;
    // How far the caret glyph reaches right of the pen after the text.
    int32_t caretWidth = 0;
    // The measured width, by which the text is aligned.
    int32_t textWidth = 0;
    // What paint can reach, relative to the aligned text's top-left corner:
    // glyphs with a negative bearing or an overhang before a trailing space
    // reach beyond the measured width, and the bounds must cover them.
    int32_t inkLeft = 0;
    int32_t inkRight = 0;
    int32_t inkHeight = 0;
};

} // namespace engine
