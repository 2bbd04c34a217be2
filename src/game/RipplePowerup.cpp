#include "game/RipplePowerup.h"

#include "core/Class.h"
#include "core/Random.h"
#include "engine/NumberSprite.h"
#include "game/ItemCodes.h"

#include <algorithm>

namespace ripple {

using lang::Ref;

LANG_REGISTER_CLASS(RipplePowerup);

namespace {

constexpr int fullLevel = 128;
// The glow frame of every piece that is not a coloured bomb.
constexpr int plainGlowFrame = 7;
constexpr int greedCountPerStep = 7;

void setBlend(engine::Sprite* sprite, int level) {
    if (sprite)
        sprite->setTint(level, fullLevel, fullLevel, fullLevel);
}

void blendAndFade(engine::AnimateSprite* sprite, int from, int to, int steps) {
    if (!sprite)
        return;
    setBlend(sprite, from);
    sprite->fadeTo(to, steps);
}

int floorMod(int n, int m) {
    int r = n % m;
    return r < 0 ? r + m : r;
}

} // namespace

RipplePowerup::RipplePowerup() = default;

RipplePowerup::~RipplePowerup() = default;

Ref<engine::Sprite> RipplePowerup::copy() {
    Ref<RipplePowerup> result = lang::adopt(new RipplePowerup());
    copyAnimationInto(*result);
    return result;
}

void RipplePowerup::setAttachments(engine::AnimateSprite* newGlow,
                                   engine::NumberSprite* newNumber) {
    glow = newGlow;
    number = newNumber;
}

void RipplePowerup::setType(int code) {
    setVisible(false);
    type = code;
    glowHidden = false;
    maxSpeed = 6.0;
    speed = 0.0;

    // Each code spins through its own row, one frame every 2 updates.
    int columns = getColumns();
    int rows = std::max(1, getFrameCount() / columns);
    int row = std::clamp(code - item::colourBomb, 0, rows - 1);
    int first = row * columns;
    setFrame(first);
    setAnimation(1, true);
    setFrameDelay(2, 0);
    setFrameRange(first, first + columns - 1);

    int glowFrame = plainGlowFrame;
    if (code == item::greed) {
        setFrameDelay(1, 0);
        spinStep = 0;
        if (number) {
            number->setVisible(false);
            number->setValue(0);
        }
        maxSpeed = 4.0;
    } else if (code == item::points) {
        int g = static_cast<int>(lang::random() * 12345) % 5 + 1;
        spinStep = 1;
        if (number) {
            number->setValue(-500 * g);
            number->setVisible(true);
        }
        maxSpeed = 2 * g + 3;
    } else {
        spinStep = 1;
        if (number)
            number->setVisible(false);
        if (code >= item::colourBomb && code < item::lastColourBomb)
            glowFrame = code - item::colourBomb;
    }
    if (glow)
        glow->setFrame(glowFrame);
    setBlend(this, fullLevel);
    blendAndFade(glow, fullLevel, 20, 18);
}

int RipplePowerup::getValue() {
    if (!number || (type != item::greed && type != item::points))
        return 0;
    return -number->getValue();
}

void RipplePowerup::reset() {
    setVisible(false);
    trackPos = 0;
    speed = 0.0;
    remainder = 0.0;
    setLocation(-100, -100);
    glowHidden = false;
}

void RipplePowerup::appear() {
    blendAndFade(this, 50, fullLevel, 15);
    blendAndFade(glow, 50, fullLevel, 15);
    blendAndFade(number, 50, fullLevel, 15);
    setVisible(true);
}

void RipplePowerup::startPulse() {
    blendAndFade(this, fullLevel, 100, 20);
    blendAndFade(glow, fullLevel, 40, 20);
    setBlend(number, fullLevel);
}

void RipplePowerup::vanish() {
    static const lang::String done("done");
    blendAndFade(this, getLevel(), 0, 15);
    setListener(vanishListener, done);
    if (glow)
        blendAndFade(glow, glow->getLevel(), 0, 15);
    if (number) {
        number->setTint(256, 200, 200, 200);
        number->fadeTo(0, 15);
    }
}

void RipplePowerup::spinUp() {
    if (spinStep < 12)
        ++spinStep;
}

void RipplePowerup::spinDown() {
    if (spinStep > 0)
        --spinStep;
}

void RipplePowerup::setGlowHidden(bool hidden) {
    if (hidden == glowHidden)
        return;
    glowHidden = hidden;
    if (glow)
        glow->setVisible(!hidden);
    if (!hidden)
        blendAndFade(glow, 41, fullLevel, 20);
    else
        blendAndFade(this, fullLevel, fullLevel, 1);
}

void RipplePowerup::setLocation(int newX, int newY) {
    AnimateSprite::setLocation(newX, newY);
    int halfWidth = getWidth() / 2;
    if (glow)
        glow->setLocation(newX + halfWidth - glow->getWidth() / 2,
                          newY + getHeight() / 2 - glow->getHeight() / 2);
    if (number)
        number->setLocation(newX + halfWidth, newY - number->getHeight() - 6);
}

void RipplePowerup::setVisible(bool value) {
    if (glow)
        glow->setVisible(value);
    if (!value && number)
        number->setVisible(false);
    AnimateSprite::setVisible(value);
}

void RipplePowerup::setPaused(bool value) {
    paused = value;
}

bool RipplePowerup::update(int time, lang::Rectangle& rect) {
    if (wasVisible && !paused && type >= item::colourBomb) {
        spin();
        if (type == item::greed && spinStep > 1)
            countGreed();
        pulse();
    }
    return AnimateSprite::update(time, rect);
}

// On top of the row animation, the piece turns `spinStep` frames more per
// update. The step wraps within the code's row however large it is, so a
// fast spin never shows another code's frames.
void RipplePowerup::spin() {
    int columns = getColumns();
    int rowStart = (type - item::colourBomb) * columns;
    setFrame(rowStart + floorMod(getFrame() - rowStart + spinStep, columns));
}

// A greed piece held in the water counts up faster the faster it spins, and
// every thousand it gains lets it travel faster.
void RipplePowerup::countGreed() {
    if (!number)
        return;
    int value = number->getValue();
    if (value == 0)
        number->setVisible(true);
    if (value > greedLimit) {
        value = std::max(value - spinStep * greedCountPerStep, greedLimit);
        number->setValue(value);
    }
    int k = value / -1000;
    if (k > maxSpeed)
        maxSpeed += 1.0;
}

// The glow breathes between 40 and 128 and the piece between 100 and 128;
// levels in between mean a fade is running.
void RipplePowerup::pulse() {
    if (!glow || glowHidden)
        return;
    int level = glow->getLevel();
    if (level == 40) {
        blendAndFade(this, 100, fullLevel, 20);
        blendAndFade(glow, 40, fullLevel, 20);
    } else if (level == fullLevel) {
        blendAndFade(this, fullLevel, 100, 20);
        blendAndFade(glow, fullLevel, 40, 20);
    }
}

const char* RipplePowerup::startLevelTextName(int code) {
    if (item::isColourBomb(code))
        return "slcolorbombtxt";
    switch (code) {
    case item::freeze:
        return "slicetxt";
    case item::greed:
        return "slgreedtxt";
    case item::points:
        return "slbonustxt";
    case item::waterSpeed:
        return "slwaterspeedtxt";
    case item::fire:
        return "slfiretxt";
    default:
        return nullptr;
    }
}

} // namespace ripple
