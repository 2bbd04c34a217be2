#include "app/LoaderFrame2.h"

#include "app/GameCanvas.h"
#include "app/StartupTrace.h"
#include "core/Exception.h"
#include "core/Thread.h"
#include "engine/User.h"
#include "gfx/Cursor.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"
#include "sound/AudioClip.h"

namespace ripple {

using lang::Ref;
using lang::String;
namespace msg = platform::msg;

LoaderFrame2::LoaderFrame2() {
    frameWidth = 640;
    frameHeight = 480;
}

LoaderFrame2::~LoaderFrame2() = default;

String LoaderFrame2::programFolder() {
    std::string folder = platform::programDirectory();
    return String(folder.empty() ? "." : folder.c_str());
}

int LoaderFrame2::defaultDepth() {
    return platform::desktopColourDepth();
}

void LoaderFrame2::start(GameCanvas* newCanvas, const String& dataFileKey,
                         const char* programName) {
    if (dataFolder.isEmpty())
        dataFolder.assign(programFolder());
    settings = lang::adopt(new engine::User());
    settings->open(programName);
    chooseDisplayMode();
    if (newCanvas)
        newCanvas->configure(dataFolder, settings.get(), dataFileKey, -1);
    setCanvas(newCanvas);
}

void LoaderFrame2::chooseDisplayMode() {
    int depth = depthQuery();
    int wish = 1;
    if (depth == 15 || depth == 16 || depth == 24 || depth == 32)
        wish = settings->getInt(fullScreenSetting, depth == 24 ? 1 : 0);
    if (settings->getInt(normalExitSetting, 1) != 0) {
        settings->setInt(normalExitSetting, 0);
        if (wish == 1)
            setFullScreen(true, false);
    } else {
        // The last run did not end normally, perhaps because full screen
        // failed on this display: stay in a window this time.
        settings->setInt(fullScreenSetting, 0);
    }
}

void LoaderFrame2::setCanvas(GameCanvas* newCanvas) {
    if (canvas) {
        canvas->stop();
        canvas->releaseResources();
    }
    loaderThread = nullptr;
    soundPending.store(true);
    canvas = newCanvas;
    beginLoading();
}

void LoaderFrame2::beginLoading() {
    if (!soundPending.exchange(false))
        return;
    // The first try is made here, on the main thread; only the retries, which
    // wait, run on the loader thread so the loading screen keeps painting.
    soundStarted.store(startSound(1));
    loaderThread = lang::adopt(new lang::Thread(this));
    loaderThread->start();
}

bool LoaderFrame2::startSound(int attempt) {
    int mixBuffer = settings ? settings->getInt(mixBufferSetting, -1) : -1;
    bool plain = settings && settings->getInt(plainAudioSetting, 0) != 0;
    if (attempt >= 3)
        plain = true;
    if (attempt == 2) {
        for (int waited = 0; waited < 3000 && !stopLoading.load(); waited += 50)
            lang::Thread::sleep(50);
        if (stopLoading.load())
            return false;
    }
    return lang::AudioClip::initAudio(
        plain ? lang::AudioClip::outputAlsa : lang::AudioClip::outputDefault, -1, false, mixBuffer);
}

void LoaderFrame2::run() {
    Ref<GameCanvas> target = canvas;
    if (!target || stopLoading.load())
        return;
    if (!soundStarted.load() && !startSound(2))
        startSound(3);
    traceStartup("sound");
    target->setStepPause(loadStepPause);
    if (!target->isLoaded()) {
        bool ok = false;
        // A data error the loader did not catch itself fails the load.
        lang::tryCatch(
            [&] { ok = target->prepare() && !stopLoading.load() && target->loadScene(); });
        if (!ok) {
            loadFailed.store(true);
            postMessage(msg::close, 0, 0);
            return;
        }
    }
    traceStartup("scene");
    if (stopLoading.load())
        return;
    target->setCursor(lang::Cursor::getSystemCursor(lang::Cursor::System::arrow));
    target->start();
    postMessage(loadingDoneMessage, 0, 0);
}

void LoaderFrame2::loadingFinished() {}

bool LoaderFrame2::keyDown(lang::Event* e, int key) {
    if (key == escapeKey && fullScreen) {
        setFullScreen(false, true);
        return true;
    }
    return Frame::keyDown(e, key);
}

void LoaderFrame2::onActivate(bool active) {
    if (!active && fullScreen) {
        setFullScreen(false, true);
        minimize();
        fullScreenBeforeMinimise = true;
    }
}

void LoaderFrame2::restoreCheck() {
    if (isIconic()) {
        if (canvas)
            canvas->requestPause();
    } else if (fullScreenBeforeMinimise) {
        fullScreenBeforeMinimise = false;
        setFullScreen(true, false);
    }
}

intptr_t LoaderFrame2::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::size: {
        intptr_t result = Frame::windowProc(message, wParam, lParam);
        restoreCheck();
        return result;
    }
    case loadingDoneMessage:
        loadingFinished();
        traceStartup("running");
        return 0;
    default:
        return Frame::windowProc(message, wParam, lParam);
    }
}

void LoaderFrame2::onClose() {
    requestClose();
}

void LoaderFrame2::requestClose() {
    if (fullScreen)
        setFullScreen(false, true);
    closing.store(true);
    stopLoading.store(true);
    if (settings)
        settings->setInt(normalExitSetting, 1);
    postDestroy();
}

void LoaderFrame2::stopCanvas() {
    if (canvas)
        canvas->stop();
    soundPending.store(true);
}

void LoaderFrame2::onDestroy() {
    stopLoading.store(true);
    stopCanvas();
    if (loaderThread) {
        loaderThread->join(0);
        loaderThread = nullptr;
    }
    // The loader may have started the canvas after the first stop.
    if (canvas) {
        canvas->stop();
        canvas->releaseResources();
    }
    lang::AudioClip::closeAudio();
    platform::postQuitMessage(0);
}

} // namespace ripple
