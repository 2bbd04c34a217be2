#pragma once

#include "app/GameCanvas.h"
#include "engine/SpriteListener.h"

#include <mutex>
#include <vector>

namespace lang {
class Cursor;
class Hashtable;
class ObjectArray;
} // namespace lang

namespace engine {
class DataLoader;
class ImageNameResolver;
} // namespace engine

namespace ripple {

// The canvas the game builds on: the scene loaded from the data file and
// addressable by name, frame timers that issue named commands, and the
// dispatch of input events to the scene's dialogs and buttons.
// Every named command (a button's, a timer's, a finished animation's) reaches
// command(source, name).
class GameCanvas2 : public GameCanvas, public engine::SpriteListener {
    LANG_CLASS(GameCanvas2, GameCanvas);

    // addTimer flags.
    static constexpr int timerSeconds = 1;
    static constexpr int timerReplace = 2;
    static constexpr int timerRepeating = 4;
    static constexpr int timerCancel = 8;

    GameCanvas2();
    ~GameCanvas2() override;

    // --- Frame cycle.

    // A named event (its argument a String) runs command at once, on the
    // calling thread; any other event is ignored.
    void postEvent(lang::Event* e) override;
    // A sprite's completion event: command(source, name) on the calling thread.
    void postEvent(lang::Object* source, const lang::String& name) override;
    void pauseAll(bool paused) override;
    // Timers, root sprites, scene sprites, pending removals, the counter.
    void updateFrame() override;
    // Dispatches currentEvent to its handler by id (1 to 7).
    void processEvent() override;
    // "handCursor" and "normalCursor" set the cursor; any other name is
    // offered to the visible dialogs of the scene, topmost first. Games
    // override it and pass on what they do not handle.
    virtual void command(lang::Object* source, const lang::String& name);

    // --- Input handlers, run on the input thread without the canvas lock.
    // Each answers whether the event produced a command, and that command's
    // source and name. The scene's dialogs and buttons, topmost first, decide
    // (engine::SceneInput): a press gives the name of the button hit, a
    // dialog's result name, "CLOSED" or the empty name; a move "handCursor"
    // or "normalCursor" once per change; a key the result name of the
    // dialog that takes it.

    virtual bool mousePressed(lang::Event* e, lang::Ref<lang::Object>& source,
                              lang::Ref<lang::String>& name);
    virtual bool mouseReleased(lang::Event* e, lang::Ref<lang::Object>& source,
                               lang::Ref<lang::String>& name);
    virtual bool mouseMoved(lang::Event* e, lang::Ref<lang::Object>& source,
                            lang::Ref<lang::String>& name);
    virtual bool otherEvent(lang::Event* e, lang::Ref<lang::Object>& source,
                            lang::Ref<lang::String>& name);
    virtual bool keyTyped(lang::Event* e, lang::Ref<lang::Object>& source,
                          lang::Ref<lang::String>& name);

    // --- Scene.

    // Reads the data file named by the data-file key under the program
    // directory; on success takes the loader's tables, calls sceneLoaded,
    // repaints everything and is loaded. False when the file was not read.
    bool loadScene() override;
    // The loader's sprite hook: null lets the loader create by class name.
    lang::Ref<lang::Object> createSprite(const lang::String& typeSpec, lang::IntArray* ints,
                                         lang::ObjectArray* objects,
                                         engine::DataLoader* loader) override;
    // Starts a frame timer (see the flags): after `delay` frames (or seconds),
    // or every `delay` frames when repeating, `target`'s notify(source, name)
    // runs, or without a target command(source, name). Both are held counted.
    virtual void addTimer(int delay, const lang::String& name, int flags, lang::Object* source,
                          lang::Object* target);

    // Puts `sprite` into the scene at `index` (appended when negative or past
    // the end) under `name` (none when empty), moving it when it is there
    // already and cancelling a pending removal.
    void addToScene(const lang::String& name, engine::SpriteBase* sprite, int index);
    // Hides `sprite` and takes it out of the scene at the end of the next
    // update, so that frame still repaints where it was.
    void removeFromScene(engine::SpriteBase* sprite);
    // The scene sprite of that name, or null (no reference added).
    engine::SpriteBase* getSprite(const lang::String& name);
    // The position of `sprite` in the scene, -1 when absent.
    int indexOfSprite(const lang::Object* sprite);
    // The scene sprite at `index` (a new reference), null outside the scene.
    lang::Ref<engine::SpriteBase> spriteAt(int index);
    int getSpriteCount();
    // The scene; its monitor is the scene lock.
    lang::Vector* getScene() const { return scene.get(); }
    int getTimerCount();

protected:
    // The game's scene set-up, right after a successful load.
    virtual void sceneLoaded(engine::DataLoader* loader);
    // The resolver of "@" image names for the scene load; none here.
    virtual engine::ImageNameResolver* getImageResolver();
    // Offers a command to one visible sprite of the scene: a dialog's
    // onCommand answer (1, 2 or 3 end the offer), 0 for any other sprite.
    virtual int offerCommand(engine::SpriteBase* sprite, const lang::String& name);
    // Offers a command to the visible sprites of the scene, topmost first,
    // until one answers 1, 2 or 3; that code, or 0.
    int offerToDialogs(const lang::String& name);
    void paintSprites(lang::Graphics& g) override;
    // Typed characters other than Escape, and other keys, are queued while
    // running; Escape is left to the frame.
    bool characterTyped(lang::Event* e, int key) override;
    bool keyPressed(lang::Event* e, int key) override;

private:
    struct FrameTimer {
        lang::Ref<lang::String> name;
        int32_t counter = 0;
        lang::Ref<lang::Object> target;
        lang::Ref<lang::Object> source;
        bool repeating = false;
    };

    // Fires the timers that are due, last first.
    void fireTimers();
    void applyPendingRemovals();
    // Drops the table's entry of the sprite's name if it names this sprite.
    void forgetName(engine::SpriteBase* sprite);
    // The data's hand picture as a cursor, or the system hand without one.
    lang::Cursor* getHandCursor();

    lang::Ref<lang::Vector> scene;
    SpriteWalk sceneWalk;
    lang::Ref<lang::Hashtable> sceneTable;
    lang::Ref<lang::Vector> pendingRemovals;
    std::mutex timersLock;
    std::vector<FrameTimer> timers;
    lang::Ref<lang::Cursor> currentCursor;
    std::once_flag handCursorMade;
    lang::Ref<lang::Cursor> handCursor;
};

} // namespace ripple
