#pragma once

#include "core/String.h"
#include "engine/CanvasLoop.h"
#include "engine/DataLoaderOwner.h"
#include "engine/EventQueue.h"
#include "engine/SpriteBase.h"
#include "gfx/Component.h"
#include "gfx/Rectangle.h"
#include "gfx/Region.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lang {
class AudioClip;
class Event;
class Graphics;
class Image;
class IntArray;
class Vector;
} // namespace lang

namespace engine {
class FrameClock;
class InputThread;
class RenderThread;
class SpriteBase;
class User;
} // namespace engine

namespace ripple {

// The game's drawing area and the clock of everything that moves on it. The
// window thread queues input events here; the input thread dispatches them;
// the render thread updates the root sprites 25 times a second and paints only
// what changed into the back buffer, then copies that region to the window.
//
// Threads and locks. The canvas lock is the object's monitor: the render
// thread holds it across an update and the paint that follows, and game code
// that changes sprites from another thread takes it. Below it come the region
// lock (the monitor of `dirtyRegion`, guarding the dirty area, the back buffer
// and its graphics), then a sprite list's lock. The event queue, the sound list
// and the start/stop state each have a lock of their own that is never held
// while another is taken. The main (window) thread never takes the canvas
// lock: its input, paint requests and pause requests go through the queue.
//
// Without threads the canvas can be stepped: startStepped(), then events
// queued as the window queues them, dispatchQueuedEvents() and stepFrame().
// That is the same queue, dispatch and frame code the threads run.
class GameCanvas : public lang::Component,
                   public engine::DataLoaderOwner,
                   public engine::CanvasLoop {
    LANG_CLASS(GameCanvas, lang::Component);

    static constexpr const char* errorTitle = "Lumora Error";
    static constexpr const char* defaultWebAddress = "https://www.lumora.example/";
    // The id of the queued event that carries a pause request from the window
    // thread to the input thread (the input ids are 1 to 7).
    static constexpr int32_t pauseRequestId = 100;

    GameCanvas();
    ~GameCanvas() override;

    int addRef() const override { return lang::Object::addRef(); }
    int release() const override { return lang::Object::release(); }
    // Counts each first entry into the canvas lock: whoever takes it may
    // change the scene, so the next frame walks every sprite again.
    int lock() const override;

    // --- Hand-over from the main frame, in the order it calls them.

    // Stores the values; the settings are held counted.
    void configure(const lang::String& programDirectory, engine::User* settings,
                   const lang::String& dataFileKey, int mode);
    bool isLoaded() const { return loaded.load(); }
    // Run by the loader thread before loadScene; false fails the load.
    virtual bool prepare();
    // Reads the scene; true when it was read. Nothing to read here.
    virtual bool loadScene();
    // Main frame, when the window is deactivated or minimised. Any thread and
    // never blocking: the request travels through the event queue and
    // pauseRequested() runs on the input thread.
    void requestPause();

    // --- Window side (main thread).

    bool mouseDown(lang::Event* e, int x, int y) override;
    bool mouseUp(lang::Event* e, int x, int y) override;
    bool mouseMove(lang::Event* e, int x, int y) override;
    bool mouseDrag(lang::Event* e, int x, int y) override;
    // Splits key events: a typed character (the event has no virtual key) goes
    // to characterTyped, any other key to keyPressed.
    bool keyDown(lang::Event* e, int key) override;
    // The window paint: the background until running, then the back buffer,
    // and the painted area is rendered afresh on the next frame.
    void paint(lang::Graphics* g) override;
    // The paint draws every pixel itself; no background fill first.
    void update(lang::Graphics* g) override;
    // First layout: creates the back buffer at the canvas's size when missing.
    void validate() override;

    // --- Frame cycle.

    // Queues an event for the input thread: dropped when null, before start
    // and after stop. Any thread.
    bool queueEvent(lang::Event* e);
    // A finished animation's named event; the second layer runs its command.
    virtual void postEvent(lang::Event* e);
    // Pauses or resumes every animated root sprite.
    virtual void pauseAll(bool paused);
    void paintFrame() override;
    void frameSkipped() override;
    void framesPaced(bool on) override;
    // Ends both threads and waits for them; every sound stops. Never from an
    // engine thread (it waits for them), and never with the canvas lock held.
    virtual void stop();
    // Starts the input and render threads and repaints the window.
    virtual void start();
    void updateFrame() override;
    // Marks a rectangle to repaint, or the whole canvas for null. Any thread.
    virtual void invalidateArea(const lang::Rectangle* rect);
    // Dispatches currentEvent. Here only the pause request is known.
    virtual void processEvent();
    // Paints the dirty region into the back buffer.
    virtual void render();
    // Renders and copies the dirty region, and only it, to the window.
    virtual void present();

    // Running without threads: events are queued and the canvas stepped by
    // the caller. stop() ends it as it ends a threaded run.
    void startStepped();
    // Dispatches every queued event on the calling thread, as the input thread
    // would; answers how many.
    int dispatchQueuedEvents();
    // One frame on the calling thread: update, then paint, under the canvas lock.
    void stepFrame();

    // Sees every event the canvas dispatches, on the dispatching thread, with
    // the frame it is handled in: what a replay needs to hand the same input
    // to the same frame. While an observer is set, the dispatch holds the
    // canvas lock from that call to the end of the handler, so no frame runs
    // in between (the observer must not wait for the render thread).
    class InputObserver {
    public:
        virtual ~InputObserver() = default;
        virtual void inputDispatched(GameCanvas& canvas, int frame, const lang::Event& event) = 0;
        // The canvas stopped at this frame; no more input follows.
        virtual void canvasStopped(GameCanvas& canvas, int frame) = 0;
    };
    // Any thread; null removes the observer.
    void setInputObserver(std::shared_ptr<InputObserver> observer);

    // --- Resources and sounds.

    // Stops first when not yet stopped; frees every sound and the back buffer.
    virtual void releaseResources();
    // Turning sound off stops every clip of the sound list.
    virtual void setSoundEnabled(bool enabled);
    // Clip operations do nothing for a missing clip or index. play and loop
    // need sound on; stop works either way.
    virtual void playSound(lang::AudioClip* clip);
    virtual void playSound(int index);
    virtual void loopSound(lang::AudioClip* clip);
    virtual void loopSound(int index);
    virtual void stopSound(lang::AudioClip* clip);
    virtual void stopSound(int index);
    // Takes `soundsArray` (AudioClip objects) as the sound list, frees the
    // first name list and the image list, and marks the resources ready.
    virtual void adoptSounds(lang::Vector* soundsArray);
    // Reads the resource list file: four counted lists (names, names,
    // integers, strings) that replace the canvas's lists together, or, on any
    // error, leave all four as they were and show the error in a box.
    // True when the file was read.
    virtual bool loadResourceList(const lang::String& baseDirectory);

    // --- Back buffer and shell services.

    // Replaces the back buffer by one of the new size; nothing for a size of
    // 0, before the window exists, or for the current size.
    void resizeBackBuffer(int width, int height);
    // Asks the frame to leave full screen when it is in it.
    void leaveFullScreen();
    // Opens the address with the desktop's handler; false when that fails.
    bool openWebPage(const lang::String& address);

    // --- CanvasLoop.

    const lang::Object& frameLock() const override { return *this; }
    int getFramePeriod() const override { return framePeriod.load(); }
    bool isFrameSkipAllowed() const override { return allowFrameSkip.load(); }
    engine::EventQueue& getEventQueue() override { return eventQueue; }
    void dispatchEvent(lang::Event* event) override;

    // --- State.

    void setFramePeriod(int milliseconds) {
        framePeriod.store(milliseconds > 0 ? milliseconds : 1);
    }
    void setFrameSkipAllowed(bool allowed) { allowFrameSkip.store(allowed); }
    void setClearBackground(bool clear) { clearBackground.store(clear); }
    // The clock the render thread paces by; takes effect at the next start.
    void setFrameClock(std::shared_ptr<engine::FrameClock> clock);
    void setResourceListFile(const lang::String& name) { resourceListFile.assign(name); }
    void setWebAddress(const lang::String& address) { webAddress.assign(address); }

    bool isRunning() const { return running.load(); }
    bool isStopped() const { return stopped.load(); }
    bool isSoundEnabled() const { return soundEnabled.load(); }
    bool isDirty() const { return dirtyFlag.load(); }
    int getFrameCounter() const { return frameCounter.load(); }
    // Frames the render thread updated without painting, to keep its schedule.
    int getSkippedFrames() const { return skippedFrames.load(); }
    // Frames that brought a change to the window.
    int getPresentedFrames() const { return presentedFrames.load(); }
    // Frames that updated only the sprites that were not settled.
    int getStillFrames() const { return stillFrames.load(); }
    int getProgressTotal() const { return progressTotal.load(); }
    int getProgressDone() const { return getProgress(); }
    bool areResourcesReady() const { return resourcesReady.load(); }
    const lang::String& getWebAddress() const { return webAddress; }
    const lang::String& getProgramDirectory() const { return programDirectory; }
    const lang::String& getDataFileKey() const { return dataFileKey; }
    int getMode() const { return mode; }
    engine::User* getSettings() const { return settings.get(); }
    // The back buffer, or null (the caller's reference).
    lang::Ref<lang::Image> getBackBuffer();
    // The root sprites, updated and painted every frame; the vector's monitor
    // is its lock.
    lang::Vector* getRootSprites() const { return rootSprites.get(); }
    // The resource lists (each a new reference, or null before any load).
    lang::Ref<lang::Vector> getFirstNames();
    lang::Ref<lang::Vector> getSecondNames();
    lang::Ref<lang::IntArray> getIntegerData();
    lang::Ref<lang::Vector> getStrings();
    lang::Ref<lang::Vector> getImages();
    // The sound list (a new reference, or null).
    lang::Ref<lang::Vector> getSounds();

protected:
    // `o` as a sprite, or null when it is none.
    static engine::SpriteBase* asSprite(lang::Object* o);
    // The typed-character hook: "S" or "s" toggles sound while running.
    virtual bool characterTyped(lang::Event* e, int key);
    // The hook of keys that type no character; nothing here.
    virtual bool keyPressed(lang::Event* e, int key);
    // Runs on the input thread for each requestPause(); nothing here.
    virtual void pauseRequested();
    // Paints the sprites that meet the dirty region, in order; called by
    // render() with a context clipped to the region and the region lock held.
    virtual void paintSprites(lang::Graphics& g);
    // Still frames. Most of the time most of the scene stands still, and at a
    // menu all of it does. A frame of the render thread that follows a frame
    // in which no sprite reported a change, nobody else took the canvas lock,
    // no input was handled, no command or timer ran and the game's own frame
    // work was idle, updates only the sprites that the last full walk found
    // not settled (SpriteBase::watchSettled). Any of those events, or a
    // change to a settled sprite (which the sprite reports to `changes`),
    // brings back the full walk. Frames run by another thread (the headless
    // game's steps) always walk every sprite, so stepped games and replays
    // do exactly what they did.
    struct SpriteWalk {
        // The list's sprites that were not settled, in the list's order.
        std::vector<lang::Ref<engine::SpriteBase>> unsettled;
        // The list's size then: a sprite added or taken away since (not
        // under the canvas lock) brings back the full walk.
        int listSize = -1;
    };
    // Updates every sprite of `list` under its lock, collecting their changes
    // into the dirty area and region, and keeps the ones that are not
    // settled in `walk` when given; with `still`, updates only those. True
    // when a sprite reported a change. The region lock is held.
    bool updateSprites(lang::Vector& list, SpriteWalk* walk = nullptr, bool still = false);
    // Under the canvas lock at the start of a frame's sprite walk: true when
    // the frame may be still.
    bool beginWalk();
    // Under the canvas lock at the end of the frame's walk: `quiet` when no
    // sprite reported a change; the next frame may be still.
    void endWalk(bool quiet);
    // Something on the render thread may have changed sprites outside their
    // own updates (a command, a timer): the next frame walks them all.
    void stir() { changes->bump(); }
    // False while the game's own work of each frame (play) may change
    // sprites: frames are not still then. True here.
    virtual bool isFrameWorkIdle() { return true; }
    // Paints every sprite of `list` that meets the region (only visible ones
    // when `visibleOnly`). The region lock is held.
    void paintList(lang::Vector& list, lang::Graphics& g, bool visibleOnly);
    // Pauses or resumes every animated sprite of `list`, under its lock.
    void pauseList(lang::Vector& list, bool paused);
    // Counts one frame of the render thread's and, once a second of frames,
    // hands the totals to the frame statistics line.
    void frameDone();
    // Stops the threads, if any, from a destructor: a derived canvas calls it
    // first, so that no frame runs on a half-destroyed object.
    void stopThreads();
    // Shows an error box without blocking the calling thread.
    void showError(const lang::String& text);
    // The sound at `index` of the sound list, or null.
    lang::Ref<lang::AudioClip> soundAt(int index);
    void stopAllSounds();
    // The whole canvas, as the back buffer or else the window measures it.
    lang::Rectangle canvasArea();

    std::atomic<int32_t> framePeriod{40};
    std::atomic<bool> allowFrameSkip{true};
    std::atomic<bool> running{false};
    std::atomic<bool> stopped{false};
    std::atomic<bool> loaded{false};
    std::atomic<bool> soundEnabled{true};
    std::atomic<bool> clearBackground{false};
    std::atomic<bool> resourcesReady{false};
    std::atomic<int32_t> frameCounter{0};
    std::atomic<int32_t> skippedFrames{0};
    std::atomic<int32_t> presentedFrames{0};
    std::atomic<int64_t> presentedPixels{0};
    std::atomic<int32_t> stillFrames{0};
    std::atomic<bool> firstFrameShown{false};
    std::atomic<int32_t> progressTotal{0};

    // Guarded by the region lock.
    std::atomic<bool> dirtyFlag{false};
    lang::Rectangle dirtyArea;
    lang::Region dirtyRegion;
    lang::Ref<lang::Image> backBuffer;
    lang::Ref<lang::Graphics> backGraphics;
    lang::Ref<lang::Graphics> windowGraphics;

    lang::Ref<lang::Vector> rootSprites;
    SpriteWalk rootWalk;
    // What may stir the scene between two frames, counted; a frame compares
    // the counts with the marks the previous frame left.
    mutable std::atomic<uint32_t> lockEntries{0};
    std::atomic<int32_t> dispatchesRunning{0};
    std::atomic<uint32_t> dispatchesDone{0};
    // Bumped by stir() and by the sprites left out of still frames.
    lang::Ref<engine::ChangeCounter> changes = lang::adopt(new engine::ChangeCounter());
    // The render thread's, while it paces frames.
    std::atomic<std::thread::id> pacingThread{};
    // Under the canvas lock, by the frames.
    bool lastFrameQuiet = false;
    uint32_t entriesMark = 0;
    uint32_t dispatchesMark = 0;
    uint32_t changesMark = 0;
    uint32_t walkDispatches = 0;
    uint32_t walkChanges = 0;
    bool walkCollects = false;
    engine::EventQueue eventQueue;
    // The event being dispatched (the dispatching thread's own).
    lang::Ref<lang::Event> currentEvent;

    lang::String webAddress;
    lang::String programDirectory;
    lang::String dataFileKey;
    int32_t mode = -1;
    lang::Ref<engine::User> settings;
    lang::String resourceListFile;

    // Guarded by resourceLock.
    std::mutex resourceLock;
    lang::Ref<lang::Vector> sounds;
    lang::Ref<lang::Vector> firstNames;
    lang::Ref<lang::Vector> secondNames;
    lang::Ref<lang::IntArray> integerData;
    lang::Ref<lang::Vector> strings;
    lang::Ref<lang::Vector> images;

private:
    // Guards the threads and the clock across start and stop.
    std::mutex lifecycleLock;
    lang::Ref<engine::InputThread> inputThread;
    lang::Ref<engine::RenderThread> renderThread;
    std::shared_ptr<engine::FrameClock> frameClock;
    std::mutex observerLock;
    std::shared_ptr<InputObserver> inputObserver;
    std::atomic<int32_t> areaWidth{0};
    std::atomic<int32_t> areaHeight{0};
};

} // namespace ripple
