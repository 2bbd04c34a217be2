#include "game/WaterCollisionSprite.h"

#include "core/Class.h"
#include "gfx/BitmapScaler.h"
#include "gfx/Graphics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <numbers>

namespace ripple {

using lang::Ref;

LANG_REGISTER_CLASS(WaterCollisionSprite);

namespace {

struct SharedFrames {
    std::mutex lock;
    Ref<engine::Sprite> prototype;
    std::array<std::array<Ref<lang::Image>, WaterCollisionSprite::slotCount>,
               WaterCollisionSprite::frameCount>
        cache;
    int rotations = 0;
};

SharedFrames& shared() {
    static SharedFrames frames;
    return frames;
}

} // namespace

WaterCollisionSprite::WaterCollisionSprite() = default;
WaterCollisionSprite::~WaterCollisionSprite() = default;

void WaterCollisionSprite::setPrototype(engine::Sprite* sprite) {
    std::lock_guard<std::mutex> guard(shared().lock);
    shared().prototype = Ref<engine::Sprite>(sprite);
}

int WaterCollisionSprite::rotationCount() {
    std::lock_guard<std::mutex> guard(shared().lock);
    return shared().rotations;
}

void WaterCollisionSprite::clearCache() {
    std::lock_guard<std::mutex> guard(shared().lock);
    for (auto& row : shared().cache)
        for (auto& slot : row)
            slot = nullptr;
    shared().rotations = 0;
}

void WaterCollisionSprite::init() {
    Ref<engine::Sprite> prototype;
    {
        std::lock_guard<std::mutex> guard(shared().lock);
        prototype = shared().prototype;
    }
    if (!prototype)
        return;
    prototypeCopy = prototype->copy();
    image = prototypeCopy->getImage();
    rotator = image ? lang::adopt(new lang::BitmapScaler(image.get())) : nullptr;
    setSize(prototypeCopy->getWidth(), prototypeCopy->getHeight());
}

void WaterCollisionSprite::setActive(bool value) {
    if (value == active)
        return;
    // The turned image reaches beyond the sprite's own area: that area is
    // what a plain hide would repaint, so the whole image is repainted first.
    if (!value)
        invalidate();
    active = value;
    setVisible(value);
    if (!value) {
        angle = 0.0;
        centreX = centreY = -1;
        looped = false;
    }
}

void WaterCollisionSprite::setCentre(int x, int y) {
    if (!active)
        return;
    centreX = x;
    centreY = y;
    setLocation(x - getWidth() / 2, y - getHeight() / 2);
}

void WaterCollisionSprite::setAngle(double value) {
    // Another slot draws another image: the old one's area is repainted now,
    // the new one's by the next update (turned images are made only to be
    // drawn).
    if (active && slotFor(value) != slotFor(angle))
        invalidate();
    angle = value;
}

bool WaterCollisionSprite::update(int time, lang::Rectangle& rect) {
    if (!frozen && active) {
        // Where the last image was, then where the next one will be: the
        // image is chosen now so that its whole area is repainted.
        invalidate();
        if (++frame >= frameCount) {
            frame = loopFrame;
            looped = true;
        }
        current = turnedFrame();
        invalidate();
    }
    return Sprite::update(time, rect);
}

int WaterCollisionSprite::slotFor(double radians) {
    double degrees = radians / (2 * std::numbers::pi) * 360.0;
    if (degrees > 270.0)
        degrees -= 360.0;
    // Turns of -24..24 degrees in steps of 8.
    int step = std::clamp(static_cast<int>((degrees + 4.0) * 0.125) * 8, -24, 24);
    return (step + 24) / 8;
}

Ref<lang::Image> WaterCollisionSprite::turnedFrame() {
    if (!rotator || !image)
        return nullptr;
    int cellWidth = image->getWidth() / frameCount;
    // A strip too narrow to hold 20 cells has nothing to draw.
    if (cellWidth < 1)
        return nullptr;
    int slot = slotFor(angle);
    std::lock_guard<std::mutex> guard(shared().lock);
    Ref<lang::Image>& cached = shared().cache[frame][slot];
    if (!cached) {
        lang::Rectangle cell(frame * cellWidth, 0, cellWidth, image->getHeight());
        cached = rotator->rotate(angle, &cell, 1, 1.0);
        ++shared().rotations;
    }
    return cached;
}

void WaterCollisionSprite::paint(lang::Graphics& g) {
    if (!getWasVisible() || !active || frozen)
        return;
    // Normally the update chose it; a turn since then draws the new slot, and
    // the next update repaints its whole area.
    current = turnedFrame();
    if (!current)
        return;
    g.drawImage(current.get(), centreX - current->getWidth() / 2,
                centreY - current->getHeight() / 2);
}

lang::Rectangle WaterCollisionSprite::getBounds() {
    if (!active || !current)
        return Sprite::getBounds();
    // Re-centring the sprite's own area on the image would round differently
    // from paint for odd sizes and leave a one-pixel seam unrepainted.
    int w = current->getWidth(), h = current->getHeight();
    return lang::Rectangle(centreX - w / 2, centreY - h / 2, w, h);
}

} // namespace ripple
