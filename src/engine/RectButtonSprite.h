#pragma once

#include "engine/ButtonSprite.h"

namespace engine {

// An invisible button: a hot rectangle with the button protocol (states,
// hover, hits) that draws nothing. Its bounds, size and hit tests are those of
// the rectangle, and it never marks anything dirty.
class RectButtonSprite : public ButtonSprite {
    LANG_CLASS(RectButtonSprite, ButtonSprite);

    RectButtonSprite();
    ~RectButtonSprite() override;

    // ints[0..3] the rectangle (x, y, width, height); ints[4], when given,
    // the state. Fewer than four integers leave it unconfigured.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    bool contains(int px, int py) override;
    bool hitPixel(int px, int py) override;
    lang::Rectangle getBounds() override;
    int getWidth() const override { return hotWidth; }
    int getHeight() const override { return hotHeight; }
    void invalidateRect(const lang::Rectangle& rect) override;

    // Sets the rectangle's size and the sprite's.
    virtual void setSize(int width, int height);

private:
    // The rectangle's corner is the sprite's position, so every move of the
    // sprite moves the rectangle with it.
    std::atomic<int32_t> hotWidth{0};
    std::atomic<int32_t> hotHeight{0};
};

} // namespace engine
