#include "engine/AnimateSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "gfx/Graphics.h"

#include <cstdint>

namespace engine {

using lang::Rectangle;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(AnimateSprite);

namespace {

// Whether tick t falls on a multiple of `period`; a period of 0 (a delay
// cancelled by a negative extra) counts every tick.
bool onPeriod(int t, int period) {
    if (period == 0)
        return true;
    return int64_t{t} % period == 0;
}

// n mod m for m > 0, never negative.
int floorMod(int64_t n, int64_t m) {
    int64_t r = n % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

} // namespace

AnimateSprite::AnimateSprite() = default;

AnimateSprite::~AnimateSprite() = default;

void AnimateSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 4)
        return;
    Sprite::configure(objects, ints);
    Ref<lang::Image> picture = getImage();
    setImage(picture.get(), ints->get(2), ints->get(3));
    if (ints->size() > 4) {
        int start = ints->get(4);
        if (start == -1)
            setVisible(false);
        else
            setFrame(start);
    }
    if (ints->size() > 7) {
        setFrameDelay(ints->get(5), 0);
        setBounce(ints->get(6) != 0);
        setAnimation(ints->get(7), true);
    }
}

void AnimateSprite::setImage(lang::Image* picture, int newColumns, int newRows) {
    invalidate();
    {
        Synchronized guard(this);
        setImageQuiet(picture);
        columns = newColumns < 1 ? 1 : newColumns;
        rows = newRows < 1 ? 1 : newRows;
        frameCount = columns * rows;
        lastFrame = frameCount - 1;
        if (picture)
            setSizeQuiet(picture->getWidth() / columns, picture->getHeight() / rows);
        if (frame > lastFrame)
            frame = lastFrame;
    }
    invalidate();
}

void AnimateSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    Ref<lang::Image> picture = getImage();
    if (!picture)
        return;
    int current, cols;
    {
        Synchronized guard(this);
        current = frame;
        cols = columns;
    }
    int px = x, py = y, fw = width, fh = height;
    int column = current % cols, row = current / cols;
    Rectangle cell(px, py, fw, fh);
    paintImage(g, picture.get(), px - column * fw, py - row * fh, &cell);
}

bool AnimateSprite::hitPixel(int px, int py) {
    Ref<lang::Image> picture = getImage();
    if (!picture || !picture->hasPixels())
        return false;
    int current, cols;
    {
        Synchronized guard(this);
        current = frame;
        cols = columns;
    }
    int fw = width, fh = height;
    int col = px - x, row = py - y;
    if (col < 0 || row < 0 || col >= fw || row >= fh)
        return false;
    int imageX = current % cols * fw + col, imageY = current / cols * fh + row;
    if (imageX >= picture->getWidth() || imageY >= picture->getHeight())
        return false;
    return (picture->getPixels()[imageY * picture->getWidth() + imageX] >> 24) != 0;
}

bool AnimateSprite::advanceFrame(int t) {
    bool postNow = false;
    int old = frame;
    int next = frame + frameStep;
    int span = lastFrame - firstFrame + 1;
    bool pastEnd = next > lastFrame, beforeStart = next < firstFrame;
    if (pastEnd || beforeStart) {
        if (repeatCount == 1)
            loop = false;
        if (bounce) {
            frameStep = -frameStep;
            next = old;
        } else if (loop) {
            if (repeatDelay == 0 || onPeriod(t, repeatDelay)) {
                if (repeatCount > 0) {
                    --repeatCount;
                    if (repeatCount == 0 && listener && repeatDelay != 0)
                        postNow = true;
                }
                if (span < 1)
                    next = firstFrame;
                else if (pastEnd)
                    next = firstFrame + floorMod(int64_t{next} - firstFrame, span);
                else
                    next = lastFrame - floorMod(int64_t{lastFrame} - next, span);
            } else {
                next = old;
            }
        } else {
            frameStep = 0;
            next = old;
        }
    }
    setFrameLocked(next);
    return postNow;
}

bool AnimateSprite::update(int time, Rectangle& rect) {
    int posts = 0;
    SpriteListener* target = nullptr;
    Ref<lang::String> name;
    bool result;
    // At rest the update below would do nothing but this; a position changed
    // behind the sprite's back still takes the full update.
    if (atRest.load(std::memory_order_acquire) && x.load() == targetX.load() &&
        y.load() == targetY.load())
        return Sprite::update(time, rect);
    {
        Synchronized guard(this);
        if (paused) {
            ++pausedTicks;
            return Sprite::update(time, rect);
        }
        int t = static_cast<int>(int64_t{time} - pausedTicks);
        // Without settings of its own the sprite is at full opacity.
        int current = getLevel();
        bool tickDue =
            frameStep != 0 && (frameDelay == 0 || onPeriod(t, frameDelay + frameDelayExtra));
        bool inProgress = false;
        bool idle = !tickDue && x == targetX && y == targetY && current == targetAlpha &&
                    moveSteps < 1 && fadeSteps < 1;
        if (!idle) {
            invalidate();
            if (tickDue && advanceFrame(t))
                ++posts;
            inProgress = (!loop || repeatCount > 0) && frameStep != 0 && !bounce;
            if (moveSteps == 1) {
                setLocationQuiet(targetX, targetY);
                moveSteps = 0;
            } else if (moveSteps > 1) {
                int tx = targetX, ty = targetY, px = x, py = y;
                Sprite::setLocationQuiet(px + (tx - px) / moveSteps, py + (ty - py) / moveSteps);
                --moveSteps;
                inProgress = true;
            }
            if (fadeSteps == 1) {
                // A fade to full opacity need not create settings.
                if (targetAlpha != 128 || hasFancy())
                    setLevelQuiet(targetAlpha);
                fadeSteps = 0;
            } else if (fadeSteps > 1) {
                setLevelQuiet(current + (targetAlpha - current) / fadeSteps);
                --fadeSteps;
                inProgress = true;
            }
            invalidate();
        }
        result = Sprite::update(time, rect);
        if (!inProgress && eventPending) {
            eventPending = false;
            ++posts;
        }
        atRest.store(frameStep == 0 && moveSteps < 1 && fadeSteps < 1 && !eventPending &&
                         x == targetX && y == targetY && getLevel() == targetAlpha,
                     std::memory_order_release);
        if (posts > 0 && listener && eventName) {
            target = listener;
            name = eventName;
        }
    }
    for (; target && posts > 0; --posts)
        target->postEvent(this, *name);
    return result;
}

void AnimateSprite::setLocation(int newX, int newY) {
    Synchronized guard(this);
    unsettle();
    Sprite::setLocation(newX, newY);
    targetX = newX;
    targetY = newY;
}

void AnimateSprite::setLocationQuiet(int newX, int newY) {
    Synchronized guard(this);
    unsettle();
    Sprite::setLocationQuiet(newX, newY);
    targetX = newX;
    targetY = newY;
}

void AnimateSprite::moveBy(int dx, int dy) {
    Synchronized guard(this);
    unsettle();
    Sprite::moveBy(dx, dy);
    targetX = x.load();
    targetY = y.load();
}

Ref<Sprite> AnimateSprite::copy() {
    Ref<AnimateSprite> result = lang::adopt(new AnimateSprite());
    copyAnimationInto(*result);
    return result;
}

void AnimateSprite::copyAnimationInto(AnimateSprite& target) {
    AnimateSprite* result = &target;
    copyInto(*result);
    lang::FancyHelper settings = getFancy();
    if (hasFancy()) {
        result->setTint(settings.level, settings.tintRed, settings.tintGreen, settings.tintBlue);
        result->setShadow(settings.shadowDx, settings.shadowDy, settings.shadow);
    }
    Synchronized guard(this);
    AnimateSprite& r = *result;
    r.moveSteps = moveSteps;
    r.fadeSteps = fadeSteps;
    r.frameCount = frameCount;
    r.columns = columns;
    r.rows = rows;
    r.targetX = targetX.load();
    r.targetY = targetY.load();
    r.targetAlpha = targetAlpha;
    r.frame = frame;
    r.frameStep = frameStep;
    r.frameDelay = frameDelay;
    r.frameDelayExtra = frameDelayExtra;
    r.repeatDelay = repeatDelay;
    r.repeatCount = repeatCount;
    r.firstFrame = firstFrame;
    r.lastFrame = lastFrame;
    r.listener = listener;
    r.eventName = eventName;
    r.loop = loop;
    r.bounce = bounce;
    r.eventPending = eventPending;
    r.paused = paused;
    r.pausedTicks = pausedTicks;
}

void AnimateSprite::setTint(int level, int red, int green, int blue) {
    {
        Synchronized guard(this);
        unsettle();
        targetAlpha = level;
    }
    Sprite::setTint(level, red, green, blue);
}

bool AnimateSprite::isEventPending() {
    Synchronized guard(this);
    return eventPending;
}

void AnimateSprite::setPaused(bool value) {
    Synchronized guard(this);
    unsettle();
    paused = value;
}

bool AnimateSprite::isPaused() {
    Synchronized guard(this);
    return paused;
}

int AnimateSprite::getPausedTicks() {
    Synchronized guard(this);
    return pausedTicks;
}

void AnimateSprite::moveTo(int newX, int newY, int steps) {
    Synchronized guard(this);
    unsettle();
    targetX = newX;
    targetY = newY;
    // With no steps left the sprite would never reach its target yet report
    // the move as done; it jumps on the next update instead.
    moveSteps = steps < 1 ? 1 : steps;
    eventPending = true;
}

void AnimateSprite::fadeTo(int alpha, int steps) {
    Synchronized guard(this);
    unsettle();
    targetAlpha = alpha;
    eventPending = true;
    if (steps != -1)
        fadeSteps = steps;
    if (fadeSteps == 0)
        fadeSteps = 1;
}

int AnimateSprite::getTargetAlpha() {
    Synchronized guard(this);
    return targetAlpha;
}

int AnimateSprite::getTargetX() {
    return targetX;
}

int AnimateSprite::getTargetY() {
    return targetY;
}

int AnimateSprite::getNextX() {
    Synchronized guard(this);
    int px = x, tx = targetX;
    if (moveSteps == 1)
        return tx;
    if (moveSteps <= 0)
        return px;
    return px + (tx - px) / moveSteps;
}

int AnimateSprite::getNextY() {
    Synchronized guard(this);
    int py = y, ty = targetY;
    if (moveSteps == 1)
        return ty;
    if (moveSteps <= 0)
        return py;
    return py + (ty - py) / moveSteps;
}

int AnimateSprite::getMoveSteps() {
    Synchronized guard(this);
    return moveSteps;
}

void AnimateSprite::setFrame(int n) {
    Synchronized guard(this);
    setFrameLocked(n);
}

void AnimateSprite::setFrameLocked(int n) {
    if (n > frameCount - 1)
        n = frameCount - 1;
    if (n < 0)
        n = 0;
    if (n == frame)
        return;
    invalidate();
    frame = n;
    invalidate();
}

int AnimateSprite::getFrame() {
    Synchronized guard(this);
    return frame;
}

int AnimateSprite::getColumns() {
    Synchronized guard(this);
    return columns;
}

int AnimateSprite::getFrameCount() {
    Synchronized guard(this);
    return frameCount;
}

void AnimateSprite::setFrameRange(int first, int last) {
    Synchronized guard(this);
    firstFrame = first < 0 ? 0 : first;
    lastFrame = last > frameCount - 1 ? frameCount - 1 : last;
}

void AnimateSprite::setFrameDelay(int delay, int extra) {
    Synchronized guard(this);
    frameDelay = delay;
    frameDelayExtra = extra;
}

void AnimateSprite::setBounce(bool value) {
    Synchronized guard(this);
    bounce = value;
    eventPending = false;
}

void AnimateSprite::setAnimation(int step, bool newLoop) {
    Synchronized guard(this);
    unsettle();
    frameStep = step;
    loop = newLoop;
    if ((!loop || repeatCount > 0) && !bounce)
        eventPending = true;
}

void AnimateSprite::setListener(SpriteListener* newListener, const lang::String& name) {
    Synchronized guard(this);
    listener = newListener;
    eventName = lang::adopt(new lang::String(name));
}

void AnimateSprite::setRepeatDelay(int delay) {
    Synchronized guard(this);
    repeatDelay = delay;
}

void AnimateSprite::setRepeatCount(int count) {
    Synchronized guard(this);
    repeatCount = count;
}

int AnimateSprite::getFrameStep() {
    Synchronized guard(this);
    return frameStep;
}

} // namespace engine
