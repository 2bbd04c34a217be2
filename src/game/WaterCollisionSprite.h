#pragma once

#include "engine/Sprite.h"
#include "game/CollisionSpray.h"

#include <cstdint>

namespace lang {
class BitmapScaler;
}

namespace ripple {

// The burst of spray drawn where a track's water meets the piece on the
// track, turned towards the stream. Its image is a strip of 20 frames; the
// turned frames are made on first use and kept in a cache shared by every
// spray for the whole run (20 frames x 8 turn slots), because turning an
// image in the area-weighted mode is far too slow to do every frame.
//
// Updated and painted under the canvas lock, like the tracks that drive it.
class WaterCollisionSprite : public engine::Sprite, public CollisionSpray {
    LANG_CLASS(WaterCollisionSprite, engine::Sprite);

    static constexpr int frameCount = 20;
    static constexpr int slotCount = 8;
    // After the last frame the burst continues from this one.
    static constexpr int loopFrame = 3;

    WaterCollisionSprite();
    ~WaterCollisionSprite() override;

    // The sprite every spray copies its strip from (counted, process-wide).
    static void setPrototype(engine::Sprite* sprite);
    // How many turned frames were made so far, across all sprays.
    static int rotationCount();
    // Empties the shared cache (the turned frames are made again on use).
    static void clearCache();

    // Takes a copy of the prototype and its strip.
    void init();

    void setActive(bool value) override;
    void setCentre(int x, int y) override;
    // A turn into another slot repaints where the old image was.
    void setAngle(double value) override;
    void setFrozen(bool value) override { frozen = value; }

    bool update(int time, lang::Rectangle& rect) override;
    void paint(lang::Graphics& g) override;
    // While active with an image: exactly where paint draws that image
    // (centred on the centre), so the dirty areas cover the turned image,
    // which is usually larger than the sprite's own cell.
    lang::Rectangle getBounds() override;

    // The turn slot (0..6) an angle in radians draws with.
    static int slotFor(double radians);

    bool isActive() const { return active; }
    int getFrame() const { return frame; }
    bool hasLooped() const { return looped; }
    int getCentreX() const { return centreX; }
    int getCentreY() const { return centreY; }

private:
    // The turned image of the current frame at the current angle's slot,
    // made and cached on first use; null when the strip cannot hold 20 cells.
    lang::Ref<lang::Image> turnedFrame();

    bool frozen = false;
    lang::Ref<lang::BitmapScaler> rotator;
    lang::Ref<lang::Image> image;
    lang::Ref<engine::Sprite> prototypeCopy;
    int32_t frame = 0;
    bool looped = false;
    double angle = 0.0;
    int32_t centreX = -1;
    int32_t centreY = -1;
    bool active = false;
    // The image drawn last (also held by the shared cache, which may be
    // emptied while a spray still shows it).
    lang::Ref<lang::Image> current;
};

} // namespace ripple
