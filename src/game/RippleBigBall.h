#pragma once

#include "core/Ref.h"
#include "engine/Sprite.h"

namespace ripple {

// A large decorative ball the data file may place. Its sheet is 6 columns of
// animation steps by 8 colour rows; after 15 ticks it steps one column a tick
// until the last, drawn centred on its centre point with a second image laid
// over it.
class RippleBigBall : public engine::Sprite {
    LANG_CLASS(RippleBigBall, engine::Sprite);

    static constexpr int columns = 6;
    static constexpr int rows = 8;
    static constexpr int waitTicks = 15;

    RippleBigBall();
    ~RippleBigBall() override;

    // objects[0] the sheet, objects[1] the image laid over it; ints[0],
    // ints[1] the centre point, ints[2] the colour (0..7).
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    bool update(int time, lang::Rectangle& rect) override;
    lang::Ref<engine::Sprite> copy() override;
    // The cell and the image laid over it, both centred on the centre point.
    lang::Rectangle getBounds() override;

    // Sets the row (clamped to 0..7) and starts the animation again.
    void setColour(int colour);
    void setCentre(int x, int y);
    void setOverlay(lang::Image* image);
    int getColumn() const { return column; }
    int getColour() const { return colour; }

private:
    lang::Ref<lang::Image> overlay;
    int colour = 0;
    int column = 0;
    int ticks = 0;
};

} // namespace ripple
