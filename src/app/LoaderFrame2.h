#pragma once

#include "core/Runnable.h"
#include "core/String.h"
#include "gfx/Frame.h"

#include <atomic>
#include <cstdint>

namespace lang {
class Thread;
}

namespace engine {
class User;
}

namespace ripple {

class GameCanvas;

// The generic main window that loads a game canvas: it opens the settings
// store, chooses between a window and full screen from the last run's
// settings, starts the sound engine and runs the canvas's loading on a
// thread of its own, then starts the canvas. It owns the orderly shutdown and
// the "NORMALEXIT" handshake: a start writes 0 and only a normal close writes
// 1, so a run that crashed or was killed makes the next start windowed.
//
// Everything here runs on the main thread, except run() (the loader thread)
// and the flags it shares.
class LoaderFrame2 : public lang::Frame, public lang::Runnable {
public:
    LANG_CLASS_ALSO(LoaderFrame2, Frame, "Runnable");

    static constexpr const char* normalExitSetting = "NORMALEXIT";
    static constexpr const char* fullScreenSetting = "FULLSCREEN";
    static constexpr const char* mixBufferSetting = "MIXBUFFER";
    static constexpr const char* plainAudioSetting = "USEWINMM";
    // Posted by the loader thread when the canvas has started.
    static constexpr uint32_t loadingDoneMessage = 0x0400 + 110;
    static constexpr int escapeKey = 27;

    // The desktop's colour depth; tests replace it.
    using DepthQuery = int (*)();

    LoaderFrame2();
    ~LoaderFrame2() override;

    int addRef() const override { return lang::Object::addRef(); }
    int release() const override { return lang::Object::release(); }
    bool instanceOf(const char* className) const override { return Object::instanceOf(className); }

    // Opens the settings store under `programName`, picks the display mode,
    // configures the canvas with the data folder, the store and `dataFileKey`,
    // and makes it this frame's canvas.
    virtual void start(GameCanvas* canvas, const lang::String& dataFileKey,
                       const char* programName);
    // Stops and frees any previous canvas, then holds `canvas` and begins loading.
    virtual void setCanvas(GameCanvas* canvas);
    // Starts the loader thread (once per canvas).
    virtual void beginLoading();
    // Opens the sound engine with the stored buffer and output choice.
    // Attempt 1 opens at once; attempt 2 waits 3 s first; attempt 3 forces the
    // plain output. A failure of all three leaves the game silent.
    virtual bool startSound(int attempt);
    // The loader thread: prepare and load the canvas, then start it.
    void run() override;
    // Leaves full screen, marks the normal exit and has the window destroyed.
    virtual void requestClose();
    // Stops the canvas's threads; the sound engine is started again with the
    // next canvas.
    void stopCanvas();

    bool keyDown(lang::Event* e, int key) override;
    void onActivate(bool active) override;
    void onClose() override;
    void onDestroy() override;
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

    // The program's folder (the executable's), and the folder the game data
    // was found in, which the canvas resolves plain data names against.
    static lang::String programFolder();
    void setDataFolder(const lang::String& folder) { dataFolder.assign(folder); }
    const lang::String& getDataFolder() const { return dataFolder; }

    void setDepthQuery(DepthQuery query) { depthQuery = query ? query : defaultDepth; }
    // Milliseconds the loader waits after each loading step (0 by default):
    // lets a test see the loading screen's bar part-filled and moving.
    void setLoadStepPause(int milliseconds) { loadStepPause = milliseconds; }
    GameCanvas* getCanvas() const { return canvas.get(); }
    engine::User* getSettings() const { return settings.get(); }
    bool isClosing() const { return closing.load(); }
    bool hasLoadFailed() const { return loadFailed.load(); }
    bool wasFullScreenBeforeMinimise() const { return fullScreenBeforeMinimise; }

protected:
    // Main thread, once the canvas runs: the loading screen's images can go.
    void loadingFinished() override;
    // Chooses window or full screen from the depth and the stored settings.
    void chooseDisplayMode();

    lang::Ref<GameCanvas> canvas;
    lang::Ref<lang::Thread> loaderThread;
    lang::Ref<engine::User> settings;
    lang::String dataFolder;
    bool fullScreenBeforeMinimise = false;
    std::atomic<bool> closing{false};
    std::atomic<bool> soundPending{true};
    std::atomic<bool> soundStarted{false};
    std::atomic<bool> stopLoading{false};
    std::atomic<bool> loadFailed{false};

private:
    static int defaultDepth();
    void restoreCheck();

    DepthQuery depthQuery = defaultDepth;
    int loadStepPause = 0;
};

} // namespace ripple
