#include "support/GameDialogBench.h"

#include "core/Hashtable.h"
#include "core/Vector.h"
#include "engine/DialogSprite.h"
#include "gfx/Event.h"
#include "gfx/PngEncoder.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "support/InputInjection.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

using lang::adopt;
using lang::Event;
using lang::Ref;

namespace {

std::vector<uint8_t> cells(const std::vector<uint32_t>& colours) {
    int cell = 10;
    int w = cell * static_cast<int>(colours.size());
    std::vector<uint32_t> pixels(static_cast<size_t>(w * cell));
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<size_t>(y * w + x)] = colours[static_cast<size_t>(x / cell)];
    return lang::PngEncoder::encode(pixels.data(), w, cell, true);
}

} // namespace

void CommandCanvas::command(lang::Object* source, const lang::String& name) {
    std::string from = "-";
    if (auto* sprite = lang::as<engine::SpriteBase>(source))
        from = sprite->getName().getChars();
    commands.push_back(std::string(name.getChars()) + "@" + from);
    GameCanvas2::command(source, name);
}

GameDialogBench::GameDialogBench(const std::string& mainSprites,
                                 const std::vector<std::pair<std::string, std::string>>& files) {
    const char* old = std::getenv("XDG_DATA_HOME");
    hadHome = old != nullptr;
    oldHome = old ? old : "";
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    user = adopt(new CountingUser);
    user->open("Ripple");

    dir.write("btn.png", cells({0xFF808080u, 0xFF0000FFu, 0xFF00FF00u}));
    dir.write("knob.png", cells({0xFFFFFFFFu}));
    for (const auto& [name, text] : files)
        dir.write(name, "<images> btn btn.png knob knob.png\n" + text);
    dir.write("main.txt", "<images> btn btn.png knob knob.png\n<sprites>\n" + mainSprites);
    loader = adopt(new engine::DataLoader(lang::String(dir.path().c_str()), nullptr, nullptr));
    EXPECT_TRUE(loader->load("main.txt"));

    EXPECT_TRUE(platform::initVideo());
    frame = adopt(new StandInFrame());
    EXPECT_TRUE(frame->create(nullptr, lang::Rectangle(0, 0, 800, 600)));
    canvas = adopt(new CommandCanvas());
    EXPECT_TRUE(canvas->create(frame.get(), lang::Rectangle(0, 0, 800, 600)));
    platform::pumpMessages(0);
    lang::Vector* created = loader->getCreated();
    for (int i = 0; i < created->size(); ++i) {
        auto* sprite = static_cast<engine::SpriteBase*>(created->elementAt(i));
        canvas->addToScene(sprite->getName(), sprite, -1);
    }
    canvas->startStepped();
}

GameDialogBench::~GameDialogBench() {
    canvas->releaseResources();
    if (frame->getWindow())
        frame->getWindow()->destroy();
    platform::quitVideo();
    user = nullptr;
    if (hadHome)
        setenv("XDG_DATA_HOME", oldHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

std::vector<std::string> GameDialogBench::send(int id, int x, int y) {
    Ref<Event> e = adopt(new Event(canvas.get(), id, x, y, 0));
    if (id == Event::mouseDown)
        canvas->mouseDown(e.get(), x, y);
    else if (id == Event::mouseUp)
        canvas->mouseUp(e.get(), x, y);
    else if (id == Event::mouseMove)
        canvas->mouseMove(e.get(), x, y);
    else
        canvas->mouseDrag(e.get(), x, y);
    canvas->dispatchQueuedEvents();
    return canvas->take();
}

std::vector<std::string> GameDialogBench::click(int x, int y) {
    std::vector<std::string> commands = send(Event::mouseDown, x, y);
    for (std::string& c : send(Event::mouseUp, x, y))
        commands.push_back(c);
    return commands;
}

std::vector<std::string> GameDialogBench::type(int key, int modifiers, const char* text) {
    Ref<Event> e = adopt(new Event(canvas.get(), Event::keyPress, 0, 0, modifiers));
    e->key = key;
    if (text)
        e->arg = adopt(new lang::String(text));
    canvas->keyDown(e.get(), key);
    canvas->dispatchQueuedEvents();
    return canvas->take();
}

std::vector<std::string> GameDialogBench::windowKey(Key key, int modifiers) {
    canvas->setVisible(true);
    canvas->requestFocus();
    platform::pumpMessages(0);
    InputInjector input(frame->getWindow());
    EXPECT_TRUE(input.keyDown(key, modifiers));
    platform::pumpMessages(0);
    EXPECT_TRUE(input.keyUp(key, modifiers));
    platform::pumpMessages(0);
    canvas->dispatchQueuedEvents();
    return canvas->take();
}

void GameDialogBench::pump() {
    platform::pumpMessages(0);
}

void GameDialogBench::steps(int n) {
    for (int i = 0; i < n; ++i)
        canvas->stepFrame();
}

void GameDialogBench::reopenStore() {
    user = adopt(new CountingUser);
    user->open("Ripple");
}

lang::Object* GameDialogBench::find(const char* path) {
    std::string rest(path);
    lang::Hashtable* table = loader->getSpriteTable();
    for (;;) {
        size_t slash = rest.find('/');
        lang::Object* found = table ? table->get(rest.substr(0, slash).c_str()) : nullptr;
        if (slash == std::string::npos || !found)
            return found;
        auto* dialog = lang::as<engine::DialogSprite>(found);
        table = dialog ? dialog->getSpriteTable() : nullptr;
        rest = rest.substr(slash + 1);
    }
}

} // namespace testsupport
