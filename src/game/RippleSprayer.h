#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"

#include <cstdint>

namespace lang {
class AudioClip;
class Component;
} // namespace lang

namespace ripple {

class GameCanvas;

// The fish at the bottom of the play field. It drives two sprites of the
// canvas's drawing order together: the body (the fish) and the jet of water
// above it, and loops the spray sound while it sprays. Holds no image of its
// own; its size is the body's.
//
// The body's frames: 0-24 idle loop, 25-32 wind-up (once), 33-40 spraying
// loop, 41-49 wind-down (once). The jet's: 0-26 opening (once), then 7-26 in
// a loop. The once-only parts end with a named event to the event listener
// ("loopthefish", "loopthespray", "startidle"); the listener answers with
// answer(), which takes the next step, so a press winds up and sprays and a
// release winds down to idle.
//
// The canvas keeps it in its drawing order like any sprite (it draws
// nothing): its update records whether it is shown, which setState reads.
// Every operation runs under the canvas lock (the input thread with it held,
// the render thread's update), like the other game sprites.
class RippleSprayer : public engine::AnimateSprite {
    LANG_CLASS(RippleSprayer, engine::AnimateSprite);

    enum State : int32_t { idle = 0, startSpraying = 1, spraying = 2, stopSpraying = 3 };

    static constexpr const char* soundName = "+audioFishWaterSpray";
    static constexpr const char* fishLoopEvent = "loopthefish";
    static constexpr const char* sprayLoopEvent = "loopthespray";
    static constexpr const char* idleEvent = "startidle";
    // The jet stands this far above the body's top.
    static constexpr int sprayRise = 43;
    // Where a move sends the jet relative to the body's target.
    static constexpr int moveSprayDx = 27;
    static constexpr int moveSprayDy = -40;

    // Loads the spray sound (absent when the sound engine is not up).
    RippleSprayer();
    ~RippleSprayer() override;

    // The body ("sprayer") and the jet (a copy of "fishspray"); both stay in
    // the canvas's drawing order and are not counted. The body is hidden,
    // the jet hidden on its first frame, and the state becomes idle.
    void setParts(engine::AnimateSprite* bodySprite, engine::AnimateSprite* spraySprite);
    // Receives the three animation events; not counted.
    void setEventListener(engine::SpriteListener* target) { listener = target; }
    // Replaces the spray sound (counted; null for silence).
    void setSprayClip(lang::AudioClip* clip);
    // Plays the sound through the canvas, so it stays silent while the
    // player has turned sound off; not counted. Without one the clip plays
    // directly.
    void setSoundHost(GameCanvas* canvas) { soundHost = canvas; }

    // Records the state; applies it at once when the sprayer has parts and
    // was visible at its last update (a hidden sprayer applies it when shown).
    void setState(int s);
    // The next step after one of the three animation events: the wind-up
    // ends in the spraying loop, the jet's opening in its loop, the wind-down
    // in idle. False for any other name.
    bool answer(const lang::String& eventName);

    void setVisible(bool visible) override;
    void setLocation(int x, int y) override;
    void moveTo(int x, int y, int steps) override;
    void setPaused(bool paused) override;
    bool update(int time, lang::Rectangle& rect) override;
    int getX() const override;
    int getY() const override;

    // Asks the main thread to move the pointer to the canvas point (x, y).
    // Safe from any thread: off the main thread the warp is posted, never
    // waited for. The window ignores it without focus or where the system
    // refuses warps; the game never depends on it having happened.
    static void warpPointer(lang::Component* canvas, int x, int y);

    int getState() const { return state; }
    bool isSprayPaused() const { return paused; }
    engine::AnimateSprite* getBody() const { return body; }
    engine::AnimateSprite* getSpray() const { return spray; }
    lang::AudioClip* getSprayClip() const { return sprayClip.get(); }

private:
    void applyState();
    void loopSound();
    void stopSound();

    engine::AnimateSprite* body = nullptr;
    engine::AnimateSprite* spray = nullptr;
    lang::Ref<lang::AudioClip> sprayClip;
    engine::SpriteListener* listener = nullptr;
    GameCanvas* soundHost = nullptr;
    bool paused = false;
    // Whether the loop was started and not stopped since (so a sound turned
    // off by the player can be stopped on the next update).
    bool soundLooping = false;
    int32_t state = idle;
};

} // namespace ripple
