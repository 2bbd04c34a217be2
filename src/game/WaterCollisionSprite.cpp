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

bool WaterCollisionSprite::update(int time, lang::Rectangle& rect) {
    if (!frozen && active) {
        if (++frame >= frameCount) {
            frame = loopFrame;
            looped = true;
        }
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

void WaterCollisionSprite::paint(lang::Graphics& g) {
    if (!getWasVisible() || !active || frozen || !rotator || !image)
        return;
    int cellWidth = image->getWidth() / frameCount;
    // A strip too narrow to hold 20 cells has nothing to draw.
    if (cellWidth < 1)
        return;
    int slot = slotFor(angle);
    Ref<lang::Image> turned;
    {
        std::lock_guard<std::mutex> guard(shared().lock);
        Ref<lang::Image>& cached = shared().cache[frame][slot];
        if (!cached) {
            lang::Rectangle cell(frame * cellWidth, 0, cellWidth, image->getHeight());
            cached = rotator->rotate(angle, &cell, 1, 1.0);
            ++shared().rotations;
        }
        turned = cached;
    }
    current = turned.get();
    if (!current)
        return;
    g.drawImage(current, centreX - current->getWidth() / 2, centreY - current->getHeight() / 2);
}

lang::Rectangle WaterCollisionSprite::getBounds() {
    lang::Rectangle bounds = Sprite::getBounds();
    if (!active || !current)
        return bounds;
    int w = current->getWidth(), h = current->getHeight();
    return lang::Rectangle(bounds.x + (bounds.width - w) / 2, bounds.y + (bounds.height - h) / 2, w,
                           h);
}

} // namespace ripple
