#pragma once

#include "engine/Sprite.h"
#include "engine/SpriteListener.h"

#include <typeinfo>

namespace engine {

// A sprite whose image is a grid of equal frames (read left to right, top to
// bottom), with frame animation, interpolated moves and fades, and a named
// completion event posted to its listener once, on the first update after a
// move, a fade or a finite animation has ended.
//
// The animation state is guarded by the sprite's own monitor, taken before
// the dirty lock; the listener is called after both are released.
class AnimateSprite : public Sprite {
    LANG_CLASS(AnimateSprite, Sprite);

    AnimateSprite();
    ~AnimateSprite() override;

    // Sprite arguments, then ints[2], ints[3] columns and rows; ints[4] the
    // start frame (-1 hides the sprite); ints[5] the frame delay, ints[6]
    // bounce, ints[7] the step of an endless animation.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    // Paints the current frame.
    void paint(lang::Graphics& g) override;
    bool update(int time, lang::Rectangle& rect) override;
    bool isSettled() override {
        return typeid(*this) == typeid(AnimateSprite) && isAnimationResting();
    }
    // A plain move also ends any interpolated move.
    void setLocation(int x, int y) override;
    void setLocationQuiet(int x, int y) override;
    void moveBy(int dx, int dy) override;
    lang::Ref<Sprite> copy() override;
    // Tests the pixel within the current frame.
    bool hitPixel(int px, int py) override;
    // Also makes `level` the target of fades.
    void setTint(int level, int red, int green, int blue) override;

    // Columns and rows are at least 1; the sprite's size becomes one frame.
    virtual void setImage(lang::Image* image, int columns, int rows);
    using Sprite::setImage;
    virtual bool isEventPending();
    virtual void setPaused(bool paused);
    // Moves to (x, y) over `steps` updates (fewer than 1: the next update).
    virtual void moveTo(int x, int y, int steps);
    // Fades to `alpha` over `steps` updates; 0 counts as 1 and -1 keeps the
    // previous step count.
    virtual void fadeTo(int alpha, int steps);
    virtual int getTargetAlpha();
    virtual int getTargetX();
    virtual int getTargetY();
    // The coordinate after one more step of the current move.
    virtual int getNextX();
    virtual int getNextY();
    virtual int getMoveSteps();

    // Clamped to the last frame; repaints only when the frame changes.
    void setFrame(int n);
    int getFrame();
    int getFrameCount();
    // Frames per row of the image grid.
    int getColumns();
    void setFrameRange(int first, int last);
    void setFrameDelay(int delay, int extra);
    // Also drops a pending completion event: a bouncing animation never ends.
    void setBounce(bool bounce);
    // Frames per animation tick (0 stops, negative runs backwards).
    void setAnimation(int step, bool loop);
    // `listener` is not counted; `eventName` is carried by the event.
    void setListener(SpriteListener* listener, const lang::String& eventName);
    // At a wrap-around, wait for a tick that is a multiple of `delay`.
    void setRepeatDelay(int delay);
    // Loops still to run; 0 runs without end.
    void setRepeatCount(int count);
    int getFrameStep();
    bool isPaused();
    int getPausedTicks();

protected:
    // Copies this sprite's Sprite and AnimateSprite fields and composition
    // settings into `target`, for copy() here and in derived classes.
    void copyAnimationInto(AnimateSprite& target);
    // AnimateSprite::update would only do Sprite::update's work, and that
    // finds nothing to do either.
    bool isAnimationResting() const {
        return atRest.load(std::memory_order_acquire) && x.load() == targetX.load() &&
               y.load() == targetY.load() && isResting();
    }

private:
    // Applies the frame logic of one due tick at animation time t; returns
    // true when a finished repeat count asks for an event at once.
    bool advanceFrame(int t);
    void setFrameLocked(int n);
    // Under the lock, by every change that may set the sprite going again.
    void unsettle() {
        if (atRest.exchange(false))
            reportChange();
    }

    int32_t moveSteps = 0;
    int32_t fadeSteps = 0;
    int32_t frameCount = 1;
    int32_t columns = 1;
    int32_t rows = 1;
    std::atomic<int32_t> targetX{0};
    std::atomic<int32_t> targetY{0};
    int32_t targetAlpha = 128;
    int32_t frame = 0;
    int32_t frameStep = 0;
    int32_t frameDelay = 0;
    int32_t frameDelayExtra = 0;
    int32_t repeatDelay = 0;
    int32_t repeatCount = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    SpriteListener* listener = nullptr;
    lang::Ref<lang::String> eventName;
    bool loop = true;
    bool bounce = false;
    bool eventPending = false;
    bool paused = false;
    int32_t pausedTicks = 0;
    // Set by an update that found nothing to animate, move, fade or report:
    // until a change clears it, an update only collects the dirty area,
    // without the lock. Most of a scene stands still most of the time.
    std::atomic<bool> atRest{false};
};

} // namespace engine
