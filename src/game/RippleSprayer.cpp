#include "game/RippleSprayer.h"

#include "app/GameCanvas.h"
#include "core/Class.h"
#include "gfx/Component.h"
#include "sound/AudioClip.h"

namespace ripple {

using lang::Ref;

LANG_REGISTER_CLASS(RippleSprayer);

namespace {

// Body frame ranges.
constexpr int idleFirst = 0;
constexpr int idleLast = 24;
constexpr int windUpFirst = 25;
constexpr int windUpLast = 32;
constexpr int sprayFirst = 33;
constexpr int sprayLast = 40;
constexpr int windDownFirst = 41;
constexpr int windDownLast = 49;
// Jet frame ranges: the opening, then the part that loops.
constexpr int jetOpeningLast = 26;
constexpr int jetLoopFirst = 7;
// Until the first press the jet is parked on the frames of a short burst.
constexpr int jetParkedLast = 19;

void runOnce(engine::AnimateSprite& s, int first, int last) {
    s.setFrame(first);
    s.setAnimation(1, false);
    s.setFrameDelay(1, 0);
    s.setFrameRange(first, last);
}

} // namespace

RippleSprayer::RippleSprayer() {
    sprayClip = lang::adopt(new lang::AudioClip());
    sprayClip->load(lang::String(soundName), lang::AudioClip::kindSample);
}

RippleSprayer::~RippleSprayer() {
    // The clip is the sprayer's own: it must not outlive it sounding.
    if (sprayClip && soundLooping)
        sprayClip->stop();
}

void RippleSprayer::setSprayClip(lang::AudioClip* clip) {
    if (sprayClip && soundLooping)
        sprayClip->stop();
    soundLooping = false;
    sprayClip = clip;
}

void RippleSprayer::setParts(engine::AnimateSprite* bodySprite,
                             engine::AnimateSprite* spraySprite) {
    body = bodySprite;
    spray = spraySprite;
    if (body)
        body->setVisible(false);
    if (spray) {
        spray->setFrame(0);
        spray->setAnimation(1, true);
        spray->setFrameDelay(1, 0);
        spray->setFrameRange(0, jetParkedLast);
        spray->setVisible(false);
    }
    if (body)
        setSize(body->getWidth(), body->getHeight());
    setState(idle);
}

void RippleSprayer::setState(int s) {
    state = s;
    if (body && wasVisible)
        applyState();
}

void RippleSprayer::applyState() {
    body->setListener(nullptr, lang::String());
    switch (state) {
    case idle:
        stopSound();
        body->setFrame(idleFirst);
        body->setAnimation(1, true);
        body->setFrameRange(idleFirst, idleLast);
        if (spray)
            spray->setVisible(false);
        break;
    case startSpraying:
        loopSound();
        runOnce(*body, windUpFirst, windUpLast);
        body->setListener(listener, lang::String(fishLoopEvent));
        if (spray) {
            spray->setVisible(true);
            runOnce(*spray, 0, jetOpeningLast);
            spray->setListener(listener, lang::String(sprayLoopEvent));
        }
        break;
    case spraying:
        body->setAnimation(1, true);
        body->setFrameDelay(1, 0);
        body->setFrame(sprayFirst);
        body->setFrameRange(sprayFirst, sprayLast);
        break;
    case stopSpraying:
        stopSound();
        runOnce(*body, windDownFirst, windDownLast);
        body->setListener(listener, lang::String(idleEvent));
        if (spray)
            spray->setVisible(false);
        break;
    default:
        // Not a state of the fish: the body keeps what it shows.
        break;
    }
}

bool RippleSprayer::answer(const lang::String& eventName) {
    if (eventName.equals(fishLoopEvent)) {
        setState(spraying);
    } else if (eventName.equals(sprayLoopEvent)) {
        if (spray) {
            spray->setFrame(jetLoopFirst);
            spray->setAnimation(1, true);
            spray->setFrameDelay(1, 0);
            spray->setFrameRange(jetLoopFirst, jetOpeningLast);
        }
    } else if (eventName.equals(idleEvent)) {
        setState(idle);
    } else {
        return false;
    }
    return true;
}

void RippleSprayer::setVisible(bool visible) {
    if (body) {
        body->setVisible(visible);
        if (visible)
            applyState();
    }
    AnimateSprite::setVisible(visible);
}

void RippleSprayer::setLocation(int x, int y) {
    if (body) {
        body->setLocation(x, y);
        if (spray)
            spray->setLocation(x + body->getWidth() / 2 - spray->getWidth() / 2, y - sprayRise);
    }
    AnimateSprite::setLocation(x, y);
}

void RippleSprayer::moveTo(int x, int y, int steps) {
    if (body) {
        body->moveTo(x, y, steps);
        if (spray)
            spray->moveTo(x + moveSprayDx, y + moveSprayDy, steps);
    }
    AnimateSprite::moveTo(x, y, steps);
}

int RippleSprayer::getX() const {
    return body ? body->getX() : AnimateSprite::getX();
}

int RippleSprayer::getY() const {
    return body ? body->getY() : AnimateSprite::getY();
}

void RippleSprayer::setPaused(bool value) {
    if (state == startSpraying || state == spraying) {
        if (value) {
            if (sprayClip)
                sprayClip->pause();
        } else {
            loopSound();
        }
    }
    paused = value;
    if (body)
        body->setPaused(value);
}

bool RippleSprayer::update(int time, lang::Rectangle& rect) {
    // Sound turned off while spraying: the loop is not in the canvas's sound
    // list, so it is stopped here.
    if (soundLooping && soundHost && !soundHost->isSoundEnabled())
        stopSound();
    return AnimateSprite::update(time, rect);
}

void RippleSprayer::loopSound() {
    if (!sprayClip)
        return;
    if (soundHost) {
        soundHost->loopSound(sprayClip.get());
        soundLooping = soundHost->isSoundEnabled();
    } else {
        sprayClip->loop();
        soundLooping = true;
    }
}

void RippleSprayer::stopSound() {
    if (sprayClip)
        sprayClip->stop();
    soundLooping = false;
}

void RippleSprayer::warpPointer(lang::Component* canvas, int x, int y) {
    if (canvas)
        canvas->setMousePosition(x, y);
}

} // namespace ripple
