#pragma once

#include "engine/Sprite.h"
#include "gfx/Color.h"
#include "gfx/Font.h"
#include "gfx/FontMetrics.h"

#include <atomic>
#include <cstdint>

namespace engine {

// One line of text in a scalable system font.
//
// Where the system does not smooth fonts itself, the line is pre-rendered
// into an image whose alpha comes from the glyphs' 65-level grey coverage,
// so the text is drawn anti-aliased by ordinary image composition. On this
// platform glyphs always come from FreeType's anti-aliased coverage, so
// Graphics::isFontSmoothingOn() answers true and a new sprite draws its text
// directly on every paint; setSmoothingAvailable(false) selects the
// pre-rendered path (a caller that paints the same text very often can use it
// too). A sprite with the thick shadow never pre-renders.
//
// The position is the left end (align 0), the centre (1) or the right end (2)
// of the text and the bottom of its box; the box is font height + 2 high and
// string width + 4 wide. Change the text, font and colours from one thread at
// a time (the game thread under the canvas lock); paint runs on the render
// thread and sees each change whole.
class TextSprite : public Sprite {
    LANG_CLASS(TextSprite, Sprite);

    static constexpr int caretPeriod = 20;

    // A 14-pixel default face, white on a black shadow colour, plain: the
    // state of a sprite created by class name until its owner sets it up.
    TextSprite();
    // A null font draws and measures nothing.
    TextSprite(lang::Font* font, const lang::Color& colour, const lang::Color& shadowColour,
               bool shadow, bool boxed);
    ~TextSprite() override;

    // ints[0], ints[1] the position; ints[2], when present, the alignment.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    // Toggles the caret every caretPeriod ticks while it is on.
    bool update(int time, lang::Rectangle& rect) override;
    lang::Rectangle getBounds() override;
    // Drops the pre-rendered image; reloadImage renders it again.
    void unloadImage() override;
    void reloadImage() override;

    virtual void setFont(lang::Font* font);
    virtual void setColours(const lang::Color& colour, const lang::Color& shadowColour);
    virtual void setText(const lang::String& s);
    virtual void setCaret(bool on);
    void setAlign(int value);
    // Overrides the system's answer (see the class comment) and renders again.
    void setSmoothingAvailable(bool value);

    lang::String getText();
    int getAlign() const { return align; }
    bool isSmoothingAvailable() const { return smoothingAvailable; }
    bool isCaretVisible() const { return caretOn && caretVisible; }
    // The pre-rendered image, or null while the text is drawn directly.
    lang::Ref<lang::Image> getRendered();

private:
    // Width, height and caret width from the font and text.
    void measure();
    // Builds (or drops) the pre-rendered image for the current state.
    void preRender();
    int alignedX() const;
    lang::Ref<lang::Font> currentFont();

    // Guarded by the dirty lock: paint reads them on the render thread.
    lang::String text;
    lang::Ref<lang::Font> font;
    lang::Ref<lang::FontMetrics> metrics;
    lang::Ref<lang::Image> rendered;
    lang::Color colour;
    lang::Color shadowColour;

    std::atomic<bool> shadow{false};
    std::atomic<bool> boxed{false};
    std::atomic<bool> smoothingAvailable{true};
    std::atomic<int32_t> align{0};
    std::atomic<bool> caretOn{false};
    std::atomic<bool> caretVisible{false};
    std::atomic<int32_t> caretWidth{0};
    std::atomic<int32_t> fontHeight{0};
    std::atomic<int32_t> fontDescent{0};
    int32_t lastCaretToggle = 0;
};

} // namespace engine
