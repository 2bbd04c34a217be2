#pragma once

#include "engine/Sprite.h"
#include "engine/SpriteListener.h"
#include "gfx/Color.h"

#include <atomic>
#include <cstdint>

namespace engine {

// Fills its rectangle with a repeated image, or with a plain colour when it
// has none, and can fade on its own with a named completion event. The size
// is the rectangle's, never the image's.
//
// The fade state is guarded by the sprite's own monitor, taken before the
// dirty lock; the listener is called after both are released.
class TiledSprite : public Sprite {
    LANG_CLASS(TiledSprite, Sprite);

    TiledSprite();
    ~TiledSprite() override;

    // With an object: objects[0] is the image, ints[0..3] position and size,
    // then optionally offsets ints[4], ints[5] and gaps ints[6], ints[7].
    // Without objects: RGB ints[0..2], position ints[3], ints[4], size
    // ints[5], ints[6], then optionally offsets ints[7], ints[8] and gaps
    // ints[9], ints[10]. Too few ints, or gaps that would make a tile step of
    // zero or less (the tiles would never advance), leave the sprite as it
    // was.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    // Advances a fade, then does the plain sprite update.
    bool update(int time, lang::Rectangle& rect) override;
    // A TiledSprite with the same rectangle, image, colour, offsets, gaps,
    // composition settings and fade. The caller owns it.
    lang::Ref<Sprite> copy() override;
    // Replaces the image and keeps the size.
    void setImage(lang::Image* image) override;

    virtual void setColour(const lang::Color& colour);
    // Gaps that leave a tile step of zero or less are stored, but no tiles are
    // painted until the step is positive again.
    virtual void setGap(int gapX, int gapY);
    virtual void setOffset(int offsetX, int offsetY);
    virtual void setSize(int width, int height);

    // Fades to `alpha` (0..128) over `steps` updates; -1 keeps the previous
    // count, and a resulting 0 becomes 1.
    void fadeTo(int alpha, int steps);
    // `listener` is not counted; `eventName` is copied.
    void setListener(SpriteListener* listener, const lang::String& eventName);

    uint32_t getColour() const { return colour; }
    int getOffsetX() const { return offsetX; }
    int getOffsetY() const { return offsetY; }
    int getGapX() const { return gapX; }
    int getGapY() const { return gapY; }
    int getTargetAlpha();
    int getFadeSteps();

private:
    void paintTiles(lang::Graphics& g, lang::Image* picture);

    std::atomic<uint32_t> colour{0};
    std::atomic<int32_t> offsetX{0};
    std::atomic<int32_t> offsetY{0};
    std::atomic<int32_t> gapX{0};
    std::atomic<int32_t> gapY{0};
    int32_t targetAlpha = 128;
    int32_t fadeSteps = 0;
    SpriteListener* listener = nullptr;
    lang::Ref<lang::String> eventName;
};

} // namespace engine
