#pragma once

#include "engine/AnimateSprite.h"
#include "gfx/Rectangle.h"

#include <typeinfo>

namespace ripple {

// A piece of a water stream. A stream is up to 150 of these moving every
// frame, overlapping their neighbours; rather than uniting old and new places
// into one dirty rectangle (which would sweep up the whole stream), each piece
// reports exactly where it was last painted and where it is now, as separate
// areas of the region, and forgets the old one once reported.
//
// Updated and painted on the render thread under the canvas lock.
class WaterSprite : public engine::AnimateSprite {
    LANG_CLASS(WaterSprite, engine::AnimateSprite);

    WaterSprite();
    ~WaterSprite() override;

    // Paints, and remembers the area it painted.
    void paint(lang::Graphics& g) override;
    // After a change: the last painted area (once, then forgotten) and, when
    // different, the current one go to `region` as they are, and into `rect`
    // as their bounds.
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;
    // Reports areas only after a change, so it rests as AnimateSprite does.
    bool isSettled() override {
        return typeid(*this) == typeid(WaterSprite) && isAnimationResting();
    }
    // Marks the sprite changed; the areas are reported by updateInto.
    void invalidateRect(const lang::Rectangle& rect) override;
    lang::Ref<engine::Sprite> copy() override;

    lang::Rectangle getLastPainted() const { return lastPainted; }

private:
    lang::Rectangle lastPainted;
};

} // namespace ripple
