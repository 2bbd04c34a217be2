#include "app/GameCanvas.h"

#include "app/StartupTrace.h"
#include "core/Exception.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "engine/DataLoader.h"
#include "engine/FrameClock.h"
#include "engine/InputThread.h"
#include "engine/RenderThread.h"
#include "engine/Sprite.h"
#include "engine/User.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "io/InputStream.h"
#include "io/StreamTokenizer.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Shell.h"
#include "platform/WindowMessages.h"
#include "sound/AudioClip.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using lang::adopt;
using lang::Ref;
using lang::String;
using lang::Synchronized;

namespace ripple {

namespace {

// Reads one counted list of the resource list file: a count, then that many
// entries read by `entry`. A missing or negative count, or a list cut short by
// the end of the file, is an error.
template <class Entry>
void readCountedList(lang::StreamTokenizer& tok, Entry entry) {
    if (tok.nextToken() != lang::StreamTokenizer::TT_NUMBER || tok.nval < 0)
        lang::throwException("Resource list: a count was expected");
    double count = tok.nval;
    for (double i = 0; i < count; ++i) {
        if (tok.nextToken() == lang::StreamTokenizer::TT_EOF)
            lang::throwException("Resource list: the file ends inside a list");
        entry(tok);
    }
}

// A list entry as text: a word, a quoted string, or a number written out.
Ref<String> entryText(lang::StreamTokenizer& tok) {
    if (tok.ttype == lang::StreamTokenizer::TT_NUMBER)
        return adopt(new String(engine::DataLoader::toInt32(tok.nval)));
    if (tok.ttype != lang::StreamTokenizer::TT_WORD && tok.ttype != '"')
        lang::throwException("Resource list: a name was expected");
    return adopt(new String(tok.sval));
}

} // namespace

engine::SpriteBase* GameCanvas::asSprite(lang::Object* o) {
    return lang::as<engine::SpriteBase>(o);
}

GameCanvas::GameCanvas() : rootSprites(adopt(new lang::Vector())), webAddress(defaultWebAddress) {}

GameCanvas::~GameCanvas() {
    stopThreads();
}

void GameCanvas::configure(const String& directory, engine::User* store, const String& key,
                           int modeValue) {
    programDirectory.assign(directory);
    settings = store;
    dataFileKey.assign(key);
    mode = modeValue;
}

bool GameCanvas::prepare() {
    return true;
}

bool GameCanvas::loadScene() {
    return false;
}

void GameCanvas::requestPause() {
    Ref<lang::Event> e = adopt(new lang::Event(this, pauseRequestId, 0, 0, 0));
    queueEvent(e.get());
}

// --- Window side.

bool GameCanvas::mouseDown(lang::Event* e, int, int) {
    queueEvent(e);
    return true;
}

bool GameCanvas::mouseUp(lang::Event* e, int, int) {
    queueEvent(e);
    return true;
}

bool GameCanvas::mouseMove(lang::Event* e, int, int) {
    queueEvent(e);
    return true;
}

bool GameCanvas::mouseDrag(lang::Event* e, int, int) {
    queueEvent(e);
    return true;
}

int GameCanvas::lock() const {
    int depth = lang::Component::lock();
    if (depth == 1)
        lockEntries.fetch_add(1, std::memory_order_relaxed);
    return depth;
}

bool GameCanvas::keyDown(lang::Event* e, int key) {
    // The window thread handles a typed key itself, without the canvas lock.
    stir();
    if (e && e->x == 0)
        return characterTyped(e, key);
    return keyPressed(e, key);
}

bool GameCanvas::characterTyped(lang::Event*, int key) {
    if ((key == 'S' || key == 's') && running.load()) {
        setSoundEnabled(!soundEnabled.load());
        return true;
    }
    return false;
}

bool GameCanvas::keyPressed(lang::Event*, int) {
    return false;
}

void GameCanvas::pauseRequested() {}

void GameCanvas::paint(lang::Graphics* g) {
    if (!g)
        return;
    if (!running.load()) {
        g->setColor(background);
        g->fillRect(0, 0, size.width, size.height);
        return;
    }
    Ref<lang::Rectangle> painted = g->getClipBounds();
    {
        Synchronized region(&dirtyRegion);
        if (backBuffer)
            g->drawImage(backBuffer.get(), 0, 0);
    }
    invalidateArea(painted.get());
}

void GameCanvas::update(lang::Graphics* g) {
    paint(g);
}

void GameCanvas::validate() {
    areaWidth.store(size.width);
    areaHeight.store(size.height);
    Synchronized region(&dirtyRegion);
    if (!backBuffer && size.width > 0 && size.height > 0)
        backBuffer = adopt(new lang::Image(size.width, size.height, 1, true));
}

// --- Frame cycle.

bool GameCanvas::queueEvent(lang::Event* e) {
    if (!e || !running.load() || stopped.load())
        return false;
    return eventQueue.post(e);
}

void GameCanvas::postEvent(lang::Event*) {}

void GameCanvas::pauseAll(bool paused) {
    Synchronized canvas(this);
    pauseList(*rootSprites, paused);
}

void GameCanvas::pauseList(lang::Vector& list, bool paused) {
    Synchronized guard(&list);
    for (int i = 0; i < list.size(); ++i) {
        if (auto* sprite = lang::as<engine::AnimateSprite>(list.elementAt(i)))
            sprite->setPaused(paused);
    }
}

void GameCanvas::paintFrame() {
    present();
    frameDone();
}

void GameCanvas::frameSkipped() {
    skippedFrames.fetch_add(1);
    frameDone();
}

void GameCanvas::framesPaced(bool on) {
    pacingThread.store(on ? std::this_thread::get_id() : std::thread::id());
}

void GameCanvas::frameDone() {
    int frame = frameCounter.load();
    int period = std::max(framePeriod.load(), 1);
    int perSecond = std::max(1000 / period, 1);
    if (frame % perSecond == 0)
        ripple::traceFrameStats(frame, skippedFrames.load(), presentedFrames.load(),
                                presentedPixels.load(), stillFrames.load());
}

void GameCanvas::start() {
    setStopping(false);
    {
        std::lock_guard<std::mutex> guard(lifecycleLock);
        running.store(true);
        eventQueue.open();
        if (!inputThread)
            inputThread = adopt(new engine::InputThread(this));
        if (!renderThread)
            renderThread = adopt(new engine::RenderThread(this, frameClock));
        stopped.store(false);
    }
    repaint();
}

void GameCanvas::startStepped() {
    setStopping(false);
    std::lock_guard<std::mutex> guard(lifecycleLock);
    running.store(true);
    eventQueue.open();
    stopped.store(false);
}

void GameCanvas::stop() {
    // First, so a request the input thread waits on ends before the join.
    setStopping(true);
    Ref<engine::InputThread> input;
    Ref<engine::RenderThread> render;
    {
        std::lock_guard<std::mutex> guard(lifecycleLock);
        // Either thread would wait here for itself.
        assert(!(inputThread && inputThread->isCurrentThread()));
        assert(!(renderThread && renderThread->isCurrentThread()));
        eventQueue.close();
        if (inputThread)
            inputThread->requestStop();
        if (renderThread)
            renderThread->requestStop();
        input = std::move(inputThread);
        render = std::move(renderThread);
        stopped.store(true);
    }
    stopAllSounds();
    if (input && !input->isCurrentThread())
        input->join();
    if (render && !render->isCurrentThread())
        render->join();
    eventQueue.clear();
    std::shared_ptr<InputObserver> observer;
    {
        std::lock_guard<std::mutex> guard(observerLock);
        observer = std::move(inputObserver);
    }
    if (observer)
        observer->canvasStopped(*this, frameCounter.load());
    Synchronized region(&dirtyRegion);
    if (windowGraphics)
        windowGraphics->dispose();
    windowGraphics = nullptr;
    if (backGraphics)
        backGraphics->dispose();
    backGraphics = nullptr;
}

void GameCanvas::stopThreads() {
    bool threads;
    {
        std::lock_guard<std::mutex> guard(lifecycleLock);
        threads = inputThread || renderThread;
    }
    if (threads)
        GameCanvas::stop();
}

int GameCanvas::dispatchQueuedEvents() {
    int count = 0;
    while (engine::InputThread::dispatchNext(*this))
        ++count;
    return count;
}

void GameCanvas::stepFrame() {
    Synchronized canvas(this);
    updateFrame();
    paintFrame();
}

void GameCanvas::setInputObserver(std::shared_ptr<InputObserver> observer) {
    std::lock_guard<std::mutex> guard(observerLock);
    inputObserver = std::move(observer);
}

void GameCanvas::dispatchEvent(lang::Event* event) {
    std::shared_ptr<InputObserver> observer;
    {
        std::lock_guard<std::mutex> guard(observerLock);
        observer = inputObserver;
    }
    // While input is observed (a session recorded), each event is handled
    // whole between two frames, under the lock the frames take, so that a
    // replay handing it over at the recorded frame does exactly the same.
    std::optional<Synchronized> betweenFrames;
    if (observer && event) {
        betweenFrames.emplace(this);
        observer->inputDispatched(*this, frameCounter.load(), *event);
    }
    // Cleared however the handler leaves: a kept event holds its source,
    // often this canvas, which would then never be freed. The handler may
    // change sprites without the canvas lock: frames are not still while it
    // runs, nor the frame after it.
    struct Clear {
        Ref<lang::Event>& event;
        std::atomic<int32_t>& running;
        std::atomic<uint32_t>& done;
        ~Clear() {
            event = nullptr;
            done.fetch_add(1);
            running.fetch_sub(1);
        }
    } clear{currentEvent, dispatchesRunning, dispatchesDone};
    dispatchesRunning.fetch_add(1);
    currentEvent = event;
    processEvent();
}

void GameCanvas::processEvent() {
    if (currentEvent && currentEvent->id == pauseRequestId)
        pauseRequested();
}

void GameCanvas::updateFrame() {
    Synchronized canvas(this);
    bool still = beginWalk();
    bool changed;
    {
        Synchronized region(&dirtyRegion);
        changed = updateSprites(*rootSprites, &rootWalk, still);
    }
    frameCounter.fetch_add(1);
    endWalk(!changed);
}

bool GameCanvas::beginWalk() {
    walkDispatches = dispatchesDone.load();
    walkChanges = changes->get();
    bool paced = pacingThread.load() == std::this_thread::get_id();
    // Only the render thread's frames in a still game look for settled
    // sprites: elsewhere nothing would use them.
    walkCollects = paced && isFrameWorkIdle();
    // The frame's own entry into the canvas lock is the one expected.
    bool still = lastFrameQuiet && paced &&
                 lockEntries.load(std::memory_order_relaxed) == entriesMark + 1 &&
                 dispatchesRunning.load() == 0 && walkDispatches == dispatchesMark &&
                 walkChanges == changesMark;
    if (still)
        stillFrames.fetch_add(1);
    return still;
}

void GameCanvas::endWalk(bool quiet) {
    // A handler that ran during the walk may have changed a sprite after the
    // walk had passed it.
    lastFrameQuiet = quiet && isFrameWorkIdle() && dispatchesRunning.load() == 0 &&
                     dispatchesDone.load() == walkDispatches && changes->get() == walkChanges;
    entriesMark = lockEntries.load(std::memory_order_relaxed);
    dispatchesMark = walkDispatches;
    changesMark = walkChanges;
}

bool GameCanvas::updateSprites(lang::Vector& list, SpriteWalk* walk, bool still) {
    Synchronized guard(&list);
    int time = frameCounter.load();
    // A full walk visits every sprite, most of them standing still, and a
    // still frame only those the last full walk found unsettled; either way
    // the list's lock is held once and one rectangle reused.
    lang::Rectangle scratch;
    bool changed = false;
    auto updateOne = [&](engine::SpriteBase* sprite) {
        scratch.setBounds(0, 0, 0, 0);
        if (sprite->updateInto(time, scratch, dirtyRegion)) {
            dirtyFlag.store(true);
            engine::Sprite::unite(dirtyArea, scratch);
            changed = true;
        }
    };
    if (still && walk && walk->listSize == list.size()) {
        for (const Ref<engine::SpriteBase>& sprite : walk->unsettled)
            updateOne(sprite.get());
        return changed;
    }
    if (walk) {
        walk->unsettled.clear();
        walk->listSize = walkCollects ? list.size() : -1;
        if (!walkCollects)
            walk = nullptr;
    }
    for (int i = 0; i < list.size(); ++i) {
        engine::SpriteBase* sprite = asSprite(list.elementAtUnchecked(i));
        if (!sprite)
            continue;
        updateOne(sprite);
        if (walk && !sprite->watchSettled(*changes))
            walk->unsettled.emplace_back(sprite);
    }
    return changed;
}

void GameCanvas::invalidateArea(const lang::Rectangle* rect) {
    if (!rect) {
        lang::Rectangle all = canvasArea();
        Synchronized region(&dirtyRegion);
        dirtyFlag.store(true);
        dirtyArea = all;
        dirtyRegion.clear();
        dirtyRegion.add(all);
        return;
    }
    Synchronized region(&dirtyRegion);
    dirtyFlag.store(true);
    // A rectangle without area changes nothing; adding one with a negative
    // size would corrupt the area's bounds.
    if (rect->width > 0 && rect->height > 0) {
        engine::Sprite::unite(dirtyArea, *rect);
        dirtyRegion.add(*rect);
    }
}

lang::Rectangle GameCanvas::canvasArea() {
    {
        Synchronized region(&dirtyRegion);
        if (backBuffer)
            return lang::Rectangle(0, 0, backBuffer->getWidth(), backBuffer->getHeight());
    }
    return lang::Rectangle(0, 0, areaWidth.load(), areaHeight.load());
}

void GameCanvas::render() {
    Synchronized canvas(this);
    Synchronized region(&dirtyRegion);
    dirtyFlag.store(false);
    // With nothing marked there is nothing to paint. Painting "everything"
    // instead would draw translucent sprites again over their own pixels.
    if (backBuffer && dirtyRegion.getHandle() && !dirtyArea.isEmpty()) {
        if (!backGraphics)
            backGraphics = adopt(new lang::GraphicsI(backBuffer.get()));
        Ref<lang::Graphics> g = backGraphics->create();
        g->setColor(background);
        g->clipRect(dirtyArea.x, dirtyArea.y, dirtyArea.width, dirtyArea.height);
        g->setClip(&dirtyRegion);
        if (clearBackground.load())
            g->fillRect(dirtyArea.x, dirtyArea.y, dirtyArea.width, dirtyArea.height);
        paintSprites(*g);
        g->dispose();
    }
    dirtyArea.setBounds(0, 0, 0, 0);
    dirtyRegion.clear();
}

void GameCanvas::paintSprites(lang::Graphics& g) {
    paintList(*rootSprites, g, false);
}

void GameCanvas::paintList(lang::Vector& list, lang::Graphics& g, bool visibleOnly) {
    Synchronized guard(&list);
    for (int i = 0; i < list.size(); ++i) {
        engine::SpriteBase* sprite = asSprite(list.elementAtUnchecked(i));
        if (!sprite || (visibleOnly && !sprite->isVisible()))
            continue;
        if (dirtyRegion.intersects(sprite->getBounds()))
            sprite->paint(g);
    }
}

void GameCanvas::present() {
    if (!dirtyFlag.load())
        return;
    Synchronized canvas(this);
    Synchronized region(&dirtyRegion);
    if (!backBuffer)
        return;
    bool changed = dirtyRegion.getHandle() && !dirtyArea.isEmpty();
    int64_t area = changed ? int64_t(dirtyArea.width) * dirtyArea.height : 0;
    if (!windowGraphics)
        windowGraphics = getGraphics();
    Ref<lang::Graphics> g = windowGraphics ? windowGraphics->create() : nullptr;
    if (g)
        g->setClip(&dirtyRegion);
    render();
    if (g) {
        if (changed) {
            g->drawImage(backBuffer.get(), 0, 0);
            presentedFrames.fetch_add(1);
            presentedPixels.fetch_add(area);
            // The window shows it at its next present, on the main thread.
            if (!firstFrameShown.exchange(true))
                ripple::traceStartup("first frame");
        }
        g->dispose();
    }
}

// --- Resources and sounds.

void GameCanvas::releaseResources() {
    if (!stopped.load())
        stop();
    Ref<lang::Vector> freed;
    {
        std::lock_guard<std::mutex> guard(resourceLock);
        freed = std::move(sounds);
    }
    if (freed)
        for (int i = 0; i < freed->size(); ++i)
            if (auto* clip = lang::as<lang::AudioClip>(freed->elementAt(i)))
                clip->stop();
    Synchronized region(&dirtyRegion);
    backGraphics = nullptr;
    backBuffer = nullptr;
}

void GameCanvas::setSoundEnabled(bool enabled) {
    soundEnabled.store(enabled);
    if (!enabled)
        stopAllSounds();
}

void GameCanvas::stopAllSounds() {
    Ref<lang::Vector> list = getSounds();
    if (!list)
        return;
    for (int i = 0; i < list->size(); ++i)
        if (auto* clip = lang::as<lang::AudioClip>(list->elementAt(i)))
            clip->stop();
}

Ref<lang::AudioClip> GameCanvas::soundAt(int index) {
    std::lock_guard<std::mutex> guard(resourceLock);
    if (!sounds || index < 0 || index >= sounds->size())
        return nullptr;
    return lang::as<lang::AudioClip>(sounds->elementAt(index));
}

void GameCanvas::playSound(lang::AudioClip* clip) {
    if (clip && soundEnabled.load())
        clip->play();
}

void GameCanvas::playSound(int index) {
    playSound(soundAt(index).get());
}

void GameCanvas::loopSound(lang::AudioClip* clip) {
    if (clip && soundEnabled.load())
        clip->loop();
}

void GameCanvas::loopSound(int index) {
    loopSound(soundAt(index).get());
}

void GameCanvas::stopSound(lang::AudioClip* clip) {
    if (clip)
        clip->stop();
}

void GameCanvas::stopSound(int index) {
    stopSound(soundAt(index).get());
}

void GameCanvas::adoptSounds(lang::Vector* soundsArray) {
    invalidateArea(nullptr);
    Ref<lang::Vector> oldNames;
    Ref<lang::Vector> oldImages;
    {
        std::lock_guard<std::mutex> guard(resourceLock);
        sounds = soundsArray;
        oldNames = std::move(firstNames);
        oldImages = std::move(images);
        firstNames = adopt(new lang::Vector());
    }
    // Released outside the lock; emptied so that holders of the old lists see
    // them freed as well.
    if (oldNames)
        oldNames->removeAllElements();
    if (oldImages)
        oldImages->removeAllElements();
    resourcesReady.store(true);
}

bool GameCanvas::loadResourceList(const String& baseDirectory) {
    resourcesReady.store(false);
    auto names1 = adopt(new lang::Vector());
    auto names2 = adopt(new lang::Vector());
    auto numbers = adopt(new lang::IntArray());
    auto texts = adopt(new lang::Vector());
    Ref<lang::Exception> error = lang::tryCatch([&] {
        Ref<lang::InputStream> in =
            engine::DataLoader::openDataFile(resourceListFile, baseDirectory);
        auto tok = adopt(new lang::StreamTokenizer(in.get()));
        tok->commentChar(';');
        tok->quoteChar('"');
        tok->parseNumbers();
        readCountedList(*tok,
                        [&](lang::StreamTokenizer& t) { names1->addElement(entryText(t).get()); });
        readCountedList(*tok,
                        [&](lang::StreamTokenizer& t) { names2->addElement(entryText(t).get()); });
        std::vector<int32_t> values;
        readCountedList(*tok, [&](lang::StreamTokenizer& t) {
            if (t.ttype != lang::StreamTokenizer::TT_NUMBER)
                lang::throwException("Resource list: a number was expected");
            values.push_back(engine::DataLoader::toInt32(t.nval));
        });
        numbers->setSize(static_cast<int>(values.size()));
        for (size_t i = 0; i < values.size(); ++i)
            numbers->set(static_cast<int>(i), values[i]);
        readCountedList(*tok,
                        [&](lang::StreamTokenizer& t) { texts->addElement(entryText(t).get()); });
    });
    if (error) {
        showError(error->messageText());
        return false;
    }
    std::lock_guard<std::mutex> guard(resourceLock);
    firstNames = names1;
    secondNames = names2;
    integerData = numbers;
    strings = texts;
    return true;
}

void GameCanvas::showError(const String& text) {
    platform::postMessageBox(errorTitle, text.getChars());
}

Ref<lang::Vector> GameCanvas::getFirstNames() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return firstNames;
}

Ref<lang::Vector> GameCanvas::getSecondNames() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return secondNames;
}

Ref<lang::IntArray> GameCanvas::getIntegerData() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return integerData;
}

Ref<lang::Vector> GameCanvas::getStrings() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return strings;
}

Ref<lang::Vector> GameCanvas::getImages() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return images;
}

Ref<lang::Vector> GameCanvas::getSounds() {
    std::lock_guard<std::mutex> guard(resourceLock);
    return sounds;
}

// --- Back buffer and shell services.

void GameCanvas::resizeBackBuffer(int width, int height) {
    if (width == 0 || height == 0 || !getWindow())
        return;
    Synchronized region(&dirtyRegion);
    if (backBuffer && backBuffer->getWidth() == width && backBuffer->getHeight() == height)
        return;
    if (backGraphics)
        backGraphics->dispose();
    backGraphics = nullptr;
    backBuffer = adopt(new lang::Image(width, height, 1, true));
}

Ref<lang::Image> GameCanvas::getBackBuffer() {
    Synchronized region(&dirtyRegion);
    return backBuffer;
}

void GameCanvas::leaveFullScreen() {
    lang::Frame* frame = getFrame();
    if (!frame)
        return;
    if (platform::isMainThread()) {
        if (frame->fullScreen)
            frame->setFullScreen(false, true);
        return;
    }
    // Only the main thread may switch; the frame ignores the request when it
    // is not in full screen by then.
    frame->postMessage(platform::msg::fullScreenRequest, 0, 0);
}

bool GameCanvas::openWebPage(const String& address) {
    return platform::openUrl(address.getChars());
}

void GameCanvas::setFrameClock(std::shared_ptr<engine::FrameClock> clock) {
    std::lock_guard<std::mutex> guard(lifecycleLock);
    frameClock = std::move(clock);
}

} // namespace ripple
