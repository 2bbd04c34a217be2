#include "app/GameCanvas2.h"

#include "core/Hashtable.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/DataLoader.h"
#include "engine/DialogSprite.h"
#include "engine/ImageNameResolver.h"
#include "engine/SceneInput.h"
#include "engine/SpriteBase.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Image.h"

#include <cstdint>

using lang::adopt;
using lang::Ref;
using lang::String;
using lang::Synchronized;

namespace ripple {

namespace {

constexpr const char* handCursorCommand = "handCursor";
constexpr const char* normalCursorCommand = "normalCursor";
constexpr int escapeKey = 27;
// The data's hand picture, and where its fingertip is.
constexpr const char* handCursorImage = "+handCursor";
constexpr int handHotX = 6;
constexpr int handHotY = 1;

} // namespace

GameCanvas2::GameCanvas2()
    : scene(adopt(new lang::Vector())), sceneTable(adopt(new lang::Hashtable())),
      pendingRemovals(adopt(new lang::Vector())) {}

GameCanvas2::~GameCanvas2() {
    // The threads call this object's operations until they end.
    stopThreads();
}

// --- Frame cycle.

void GameCanvas2::postEvent(lang::Event* e) {
    stir();
    if (const String* text = e ? lang::as<String>(e->arg) : nullptr)
        command(e->source.get(), *text);
}

void GameCanvas2::postEvent(lang::Object* source, const String& name) {
    stir();
    command(source, name);
}

void GameCanvas2::pauseAll(bool paused) {
    Synchronized canvas(this);
    GameCanvas::pauseAll(paused);
    pauseList(*scene, paused);
}

void GameCanvas2::updateFrame() {
    Synchronized canvas(this);
    fireTimers();
    bool still = beginWalk();
    bool changed;
    {
        Synchronized region(&dirtyRegion);
        changed = updateSprites(*rootSprites, &rootWalk, still);
        changed = updateSprites(*scene, &sceneWalk, still) || changed;
    }
    endWalk(!changed);
    applyPendingRemovals();
    frameCounter.fetch_add(1);
}

void GameCanvas2::processEvent() {
    Ref<lang::Event> e = currentEvent;
    if (!e)
        return;
    Ref<lang::Object> source;
    Ref<String> name;
    bool handled = false;
    switch (e->id) {
    case lang::Event::mouseDown:
        handled = mousePressed(e.get(), source, name);
        break;
    case lang::Event::mouseMove:
    case lang::Event::mouseDrag:
        handled = mouseMoved(e.get(), source, name);
        break;
    case lang::Event::mouseUp:
        handled = mouseReleased(e.get(), source, name);
        break;
    case lang::Event::keyPress:
        handled = keyTyped(e.get(), source, name);
        break;
    case lang::Event::keyRelease:
        handled = otherEvent(e.get(), source, name);
        break;
    case lang::Event::namedCommand:
        postEvent(e.get());
        return;
    default:
        GameCanvas::processEvent();
        return;
    }
    if (handled)
        command(source.get(), name ? *name : String());
}

void GameCanvas2::command(lang::Object*, const String& name) {
    if (name.equals(handCursorCommand) || name.equals(normalCursorCommand)) {
        lang::Cursor* c = name.equals(handCursorCommand)
                              ? getHandCursor()
                              : lang::Cursor::getSystemCursor(lang::Cursor::System::arrow);
        // Shown by the main thread; this one never waits for it.
        setCursor(c);
        return;
    }
    offerToDialogs(name);
}

int GameCanvas2::offerToDialogs(const String& name) {
    // Offered from a copy: a dialog's answer may change the scene.
    std::vector<Ref<engine::SpriteBase>> visible;
    {
        Synchronized list(scene.get());
        for (int i = scene->size() - 1; i >= 0; --i)
            if (engine::SpriteBase* s = asSprite(scene->elementAt(i)); s && s->isVisible())
                visible.emplace_back(s);
    }
    for (const Ref<engine::SpriteBase>& sprite : visible) {
        int code = offerCommand(sprite.get(), name);
        if (code >= 1 && code <= 3)
            return code;
    }
    return 0;
}

int GameCanvas2::offerCommand(engine::SpriteBase* sprite, const String& name) {
    auto* dialog = lang::as<engine::DialogSprite>(sprite);
    return dialog ? dialog->onCommand(name) : 0;
}

lang::Cursor* GameCanvas2::getHandCursor() {
    std::call_once(handCursorMade, [this] {
        auto picture = adopt(new lang::Image(String(handCursorImage)));
        if (picture->hasPixels())
            handCursor = adopt(new lang::Cursor(picture->getPixels(), picture->getWidth(),
                                                picture->getHeight(), handHotX, handHotY));
    });
    return handCursor ? handCursor.get()
                      : lang::Cursor::getSystemCursor(lang::Cursor::System::hand);
}

bool GameCanvas2::mousePressed(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    return engine::SceneInput::mousePressed(scene.get(), e, source, name);
}

bool GameCanvas2::mouseReleased(lang::Event* e, Ref<lang::Object>&, Ref<String>&) {
    return engine::SceneInput::mouseReleased(scene.get(), e);
}

bool GameCanvas2::mouseMoved(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    // The cursor the window shows is the truth: the game may have set another.
    bool handShown = getCursor() == getHandCursor();
    return engine::SceneInput::mouseMoved(scene.get(), e, handShown, source, name);
}

bool GameCanvas2::otherEvent(lang::Event*, Ref<lang::Object>&, Ref<String>&) {
    return false;
}

bool GameCanvas2::keyTyped(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    return engine::SceneInput::keyTyped(scene.get(), e, source, name);
}

bool GameCanvas2::characterTyped(lang::Event* e, int key) {
    if (key == escapeKey)
        return false;
    queueEvent(e);
    return true;
}

bool GameCanvas2::keyPressed(lang::Event* e, int) {
    queueEvent(e);
    return true;
}

void GameCanvas2::paintSprites(lang::Graphics& g) {
    paintList(*rootSprites, g, true);
    paintList(*scene, g, true);
}

// --- Timers.

void GameCanvas2::addTimer(int delay, const String& name, int flags, lang::Object* source,
                           lang::Object* target) {
    Synchronized canvas(this);
    int32_t counter = delay;
    if (flags & timerSeconds) {
        int64_t frames = int64_t(delay) * 1000 / getFramePeriod();
        counter = int32_t(frames > INT32_MAX ? INT32_MAX : frames < INT32_MIN ? INT32_MIN : frames);
    }
    std::lock_guard<std::mutex> guard(timersLock);
    int found = -1;
    if (flags & (timerReplace | timerCancel))
        for (int i = int(timers.size()) - 1; i >= 0; --i)
            if (timers[size_t(i)].name->equalsIgnoreCase(name)) {
                found = i;
                break;
            }
    if (flags & timerCancel) {
        if (found >= 0)
            timers.erase(timers.begin() + found);
        return;
    }
    FrameTimer timer;
    timer.name = adopt(new String(name));
    timer.counter = counter;
    timer.target = target;
    timer.source = source;
    timer.repeating = (flags & timerRepeating) != 0;
    if (found >= 0)
        timers[size_t(found)] = std::move(timer);
    else
        timers.push_back(std::move(timer));
}

void GameCanvas2::fireTimers() {
    std::vector<FrameTimer> due;
    {
        std::lock_guard<std::mutex> guard(timersLock);
        int32_t now = frameCounter.load();
        for (int i = int(timers.size()) - 1; i >= 0; --i) {
            FrameTimer& t = timers[size_t(i)];
            if (!t.repeating) {
                if (--t.counter <= 0) {
                    due.push_back(std::move(t));
                    timers.erase(timers.begin() + i);
                }
            } else if (t.counter <= 1 || now % t.counter == 0) {
                // A period below 1 fires every update rather than dividing by 0.
                due.push_back(t);
            }
        }
    }
    if (!due.empty())
        stir();
    // Fired without the timer lock: a command may add or cancel timers.
    for (FrameTimer& t : due) {
        if (engine::SpriteBase* sprite = asSprite(t.target.get()))
            sprite->notify(t.source.get(), *t.name);
        else
            command(t.source.get(), *t.name);
    }
}

int GameCanvas2::getTimerCount() {
    std::lock_guard<std::mutex> guard(timersLock);
    return int(timers.size());
}

// --- Scene.

bool GameCanvas2::loadScene() {
    auto loader = adopt(new engine::DataLoader(programDirectory, this, getImageResolver()));
    resetProgress();
    progressTotal.store(loader->countItems(dataFileKey));
    if (!loader->load(dataFileKey))
        return false;
    {
        Synchronized canvas(this);
        {
            std::lock_guard<std::mutex> guard(resourceLock);
            strings = loader->getStrings();
            integerData = loader->getData();
            sounds = loader->getSounds();
        }
        sceneTable = loader->getSpriteTable();
        pendingRemovals->removeAllElements();
        // The scene vector stays the same object (its monitor is the scene
        // lock, which other threads may be waiting on); it takes the sprites.
        lang::Vector* created = loader->getCreated();
        Synchronized list(scene.get());
        scene->removeAllElements();
        for (int i = 0; i < created->size(); ++i)
            scene->addElement(created->elementAt(i));
    }
    sceneLoaded(loader.get());
    invalidateArea(nullptr);
    loaded.store(true);
    return true;
}

void GameCanvas2::sceneLoaded(engine::DataLoader*) {}

engine::ImageNameResolver* GameCanvas2::getImageResolver() {
    return nullptr;
}

Ref<lang::Object> GameCanvas2::createSprite(const String&, lang::IntArray*, lang::ObjectArray*,
                                            engine::DataLoader*) {
    return nullptr;
}

void GameCanvas2::forgetName(engine::SpriteBase* sprite) {
    const String& old = sprite->getName();
    if (!old.isEmpty() && sceneTable->get(&old) == sprite)
        sceneTable->remove(&old);
}

void GameCanvas2::addToScene(const String& name, engine::SpriteBase* sprite, int index) {
    if (!sprite)
        return;
    Synchronized canvas(this);
    Ref<engine::SpriteBase> keep = sprite;
    forgetName(sprite);
    {
        Synchronized list(scene.get());
        scene->removeElement(sprite);
        pendingRemovals->removeElement(sprite);
        if (index < 0 || index >= scene->size())
            scene->addElement(sprite);
        else
            scene->insertElementAt(sprite, index);
    }
    sprite->setName(name);
    if (!name.isEmpty()) {
        sceneTable->remove(&name);
        sceneTable->put(name, sprite);
    }
}

void GameCanvas2::removeFromScene(engine::SpriteBase* sprite) {
    if (!sprite)
        return;
    Synchronized canvas(this);
    sprite->setVisible(false);
    forgetName(sprite);
    if (pendingRemovals->indexOf(sprite) < 0)
        pendingRemovals->addElement(sprite);
}

void GameCanvas2::applyPendingRemovals() {
    Synchronized list(scene.get());
    if (pendingRemovals->size() > 0)
        stir();
    for (int i = pendingRemovals->size() - 1; i >= 0; --i)
        scene->removeElement(pendingRemovals->elementAt(i));
    pendingRemovals->removeAllElements();
}

engine::SpriteBase* GameCanvas2::getSprite(const String& name) {
    Synchronized canvas(this);
    return asSprite(sceneTable->get(&name));
}

int GameCanvas2::indexOfSprite(const lang::Object* sprite) {
    Synchronized list(scene.get());
    return sprite ? scene->indexOf(sprite) : -1;
}

Ref<engine::SpriteBase> GameCanvas2::spriteAt(int index) {
    Synchronized list(scene.get());
    if (index < 0 || index >= scene->size())
        return nullptr;
    return asSprite(scene->elementAt(index));
}

int GameCanvas2::getSpriteCount() {
    Synchronized list(scene.get());
    return scene->size();
}

} // namespace ripple
