#include "app/GameCanvas2.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/DialogSprite.h"
#include "engine/Sprite.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/Image.h"
#include "platform/FrameBuffer.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "sound/AudioClip.h"
#include "support/IoTestSupport.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Event;
using lang::Rectangle;
using lang::Ref;
using lang::String;

namespace {

std::vector<std::string> boxes;
void recordBox(const std::string& title, const std::string& text) {
    boxes.push_back(title + "|" + text);
}

// A canvas whose handlers record what reaches them. Each input handler
// answers with a command named after the event, so the test sees the whole
// path from the queue to command().
class RecordingCanvas : public ripple::GameCanvas2 {
public:
    void command(lang::Object* source, const String& name) override {
        {
            std::lock_guard<std::mutex> guard(lock);
            commands.emplace_back(name.getChars());
            commandThreads.push_back(std::this_thread::get_id());
            lastSource = source;
        }
        GameCanvas2::command(source, name);
    }
    std::vector<std::string> takeCommands() {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<std::string> taken;
        taken.swap(commands);
        return taken;
    }
    bool mousePressed(Event* e, Ref<lang::Object>& s, Ref<String>& n) override {
        return answer("pressed", e, s, n);
    }
    bool mouseReleased(Event* e, Ref<lang::Object>& s, Ref<String>& n) override {
        return answer("released", e, s, n);
    }
    bool mouseMoved(Event* e, Ref<lang::Object>& s, Ref<String>& n) override {
        return answer(e->id == Event::mouseDrag ? "dragged" : "moved", e, s, n);
    }
    bool keyTyped(Event* e, Ref<lang::Object>& s, Ref<String>& n) override {
        return answer("key", e, s, n);
    }
    void pauseRequested() override { answerPause(); }
    using GameCanvas2::characterTyped;
    using GameCanvas2::keyPressed;

    std::mutex lock;
    std::vector<std::string> commands;
    std::vector<std::thread::id> commandThreads;
    lang::Object* lastSource = nullptr;

private:
    bool answer(const char* what, Event* e, Ref<lang::Object>& s, Ref<String>& n) {
        std::string text = what;
        if (e->id == Event::keyPress)
            text += " " + std::to_string(e->key);
        else
            text += " " + std::to_string(e->x) + "," + std::to_string(e->y);
        s = this;
        n = adopt(new String(text.c_str()));
        return true;
    }
    void answerPause() {
        std::lock_guard<std::mutex> guard(lock);
        commands.emplace_back("paused");
    }
};

class PlainCanvas : public ripple::GameCanvas {
public:
    using GameCanvas::characterTyped;
};

// A sound that only records what the canvas asks of it.
class RecordingClip : public lang::AudioClip {
public:
    void play() override { calls += "p"; }
    void loop() override { calls += "l"; }
    void stop() override { calls += "s"; }
    std::string calls;
};

Ref<Event> mouse(lang::Object* source, int id, int x, int y) {
    return adopt(new Event(source, id, x, y, 0));
}

// A typed character has no virtual key; a key that types none carries one.
Ref<Event> character(lang::Object* source, int c) {
    Ref<Event> e = adopt(new Event(source, Event::keyPress, 0, 0, 0));
    e->key = c;
    return e;
}

Ref<Event> keyWithoutCharacter(lang::Object* source, int virtualKey, int key) {
    Ref<Event> e = adopt(new Event(source, Event::keyPress, virtualKey, 0, 0));
    e->key = key;
    return e;
}

Ref<engine::Sprite> solidSprite(int x, int y, int w, int h, uint32_t argb) {
    Ref<engine::Sprite> s = adopt(new engine::Sprite());
    s->setImage(testsupport::solidImage(w, h, argb).get());
    s->setLocation(x, y);
    return s;
}

class GameCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::initVideo());
        platform::setMessageBoxObserver(recordBox);
        boxes.clear();
        frame = adopt(new lang::Frame());
        ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
        canvas = adopt(new RecordingCanvas());
        ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
        canvas->setVisible(true);
        platform::pumpMessages(0);
    }
    void TearDown() override {
        canvas->releaseResources();
        if (frame->getWindow())
            frame->getWindow()->destroy();
        platform::setMessageBoxObserver(nullptr);
        platform::quitVideo();
    }
    // The rectangles the window was asked to show since the last call.
    std::vector<platform::PixelRect> shownSinceLastCall() {
        std::vector<platform::PixelRect> shown;
        frame->getWindow()->getFrameBuffer()->takeChanges(
            [&](const uint32_t*, const std::vector<platform::PixelRect>& r) { shown = r; });
        return shown;
    }

    Ref<lang::Frame> frame;
    Ref<RecordingCanvas> canvas;
};

TEST_F(GameCanvasTest, InputTravelsThroughTheQueueToTheHandlersAndOnToCommand) {
    // Before start nothing is queued.
    EXPECT_TRUE(canvas->mouseDown(mouse(canvas.get(), Event::mouseDown, 1, 1).get(), 1, 1));
    canvas->startStepped();
    EXPECT_EQ(canvas->dispatchQueuedEvents(), 0);

    canvas->mouseDown(mouse(canvas.get(), Event::mouseDown, 5, 6).get(), 5, 6);
    canvas->mouseMove(mouse(canvas.get(), Event::mouseMove, 7, 8).get(), 7, 8);
    canvas->mouseDrag(mouse(canvas.get(), Event::mouseDrag, 9, 9).get(), 9, 9);
    canvas->mouseUp(mouse(canvas.get(), Event::mouseUp, 10, 11).get(), 10, 11);
    // Escape is left to the frame; other characters and keys are queued.
    EXPECT_FALSE(canvas->keyDown(character(canvas.get(), 27).get(), 27));
    EXPECT_TRUE(canvas->keyDown(character(canvas.get(), 'a').get(), 'a'));
    EXPECT_TRUE(
        canvas->keyDown(keyWithoutCharacter(canvas.get(), 37, Event::left).get(), Event::left));
    // A named event placed in the queue is dispatched as a command.
    Ref<Event> named = adopt(new Event(canvas.get(), Event::namedCommand, new String("fromqueue")));
    named->arg->release();
    canvas->queueEvent(named.get());
    canvas->requestPause();

    EXPECT_EQ(canvas->dispatchQueuedEvents(), 8);
    EXPECT_EQ(canvas->takeCommands(),
              (std::vector<std::string>{"pressed 5,6", "moved 7,8", "dragged 9,9", "released 10,11",
                                        "key 97", "key 1037", "fromqueue", "paused"}));
    EXPECT_EQ(canvas->lastSource, canvas.get());

    // After stop nothing more is queued.
    canvas->stop();
    canvas->mouseDown(mouse(canvas.get(), Event::mouseDown, 5, 6).get(), 5, 6);
    canvas->requestPause();
    EXPECT_EQ(canvas->dispatchQueuedEvents(), 0);
}

TEST_F(GameCanvasTest, PostedNamedEventsRunCommandAtOnceOnTheCallingThread) {
    std::thread::id poster;
    std::thread([&] {
        poster = std::this_thread::get_id();
        Ref<Event> named = adopt(new Event(canvas.get(), Event::namedCommand, new String("done")));
        named->arg->release();
        canvas->postEvent(named.get());
        // Not a name: ignored.
        Ref<Event> other = adopt(new Event(canvas.get(), Event::namedCommand, new lang::Vector()));
        other->arg->release();
        canvas->postEvent(other.get());
        // A sprite's completion event takes the same way.
        canvas->postEvent(canvas.get(), String("mapfadedin"));
    }).join();
    EXPECT_EQ(canvas->takeCommands(), (std::vector<std::string>{"done", "mapfadedin"}));
    ASSERT_EQ(canvas->commandThreads.size(), 2u);
    EXPECT_EQ(canvas->commandThreads[0], poster);
}

TEST_F(GameCanvasTest, FrameTimersFireOnTheirFrames) {
    struct Row {
        const char* what;
        int delay;
        int flags;
        std::vector<int> firesOnUpdates; // 1-based, within the first 30
    };
    const Row rows[] = {
        {"delay 0", 0, 0, {1}},
        {"delay 1", 1, 0, {1}},
        {"delay 3", 3, 0, {3}},
        {"one second at 40 ms", 1, ripple::GameCanvas2::timerSeconds, {25}},
        {"repeating every update", 1, ripple::GameCanvas2::timerRepeating, {}},
        {"repeating every third",
         3,
         ripple::GameCanvas2::timerRepeating,
         {1, 4, 7, 10, 13, 16, 19, 22, 25, 28}},
        {"repeating with period 0", 0, ripple::GameCanvas2::timerRepeating, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Ref<RecordingCanvas> c = adopt(new RecordingCanvas());
        c->addTimer(row.delay, String("t"), row.flags, nullptr, nullptr);
        std::vector<int> fired;
        for (int update = 1; update <= 30; ++update) {
            c->updateFrame();
            if (!c->takeCommands().empty())
                fired.push_back(update);
        }
        std::vector<int> expected = row.firesOnUpdates;
        if (expected.empty())
            for (int update = 1; update <= 30; ++update)
                expected.push_back(update);
        EXPECT_EQ(fired, expected);
        EXPECT_EQ(c->getFrameCounter(), 30);
    }
}

TEST_F(GameCanvasTest, TimersAreReplacedCancelledAndNotifyTheirTarget) {
    using C = ripple::GameCanvas2;
    // Without the replace bit a second timer of the same name is added.
    canvas->addTimer(5, String("a"), 0, nullptr, nullptr);
    canvas->addTimer(5, String("a"), 0, nullptr, nullptr);
    EXPECT_EQ(canvas->getTimerCount(), 2);
    // With it the last one of that name (any case) restarts.
    canvas->addTimer(2, String("A"), C::timerReplace, nullptr, nullptr);
    EXPECT_EQ(canvas->getTimerCount(), 2);
    canvas->updateFrame();
    canvas->updateFrame();
    EXPECT_EQ(canvas->takeCommands(), (std::vector<std::string>{"A"}));
    // Cancelling removes one and adds nothing.
    canvas->addTimer(0, String("a"), C::timerCancel, nullptr, nullptr);
    canvas->addTimer(0, String("none"), C::timerCancel, nullptr, nullptr);
    EXPECT_EQ(canvas->getTimerCount(), 0);

    // A sprite target is notified instead of a command, with the source.
    class Notified : public engine::Sprite {
    public:
        void notify(lang::Object* s, const String& name) override {
            seen = name.getChars();
            from = s;
        }
        std::string seen;
        lang::Object* from = nullptr;
    };
    Ref<Notified> target = adopt(new Notified());
    Ref<lang::Vector> source = adopt(new lang::Vector());
    canvas->addTimer(1, String("ping"), 0, source.get(), target.get());
    canvas->updateFrame();
    EXPECT_EQ(target->seen, "ping");
    EXPECT_EQ(target->from, source.get());
    EXPECT_TRUE(canvas->takeCommands().empty());
}

TEST_F(GameCanvasTest, SceneRemovalTakesEffectAtTheNextUpdateUnlessTheSpriteIsAddedBack) {
    Ref<engine::Sprite> a = solidSprite(0, 0, 4, 4, 0xFFFF0000);
    Ref<engine::Sprite> b = solidSprite(0, 0, 4, 4, 0xFF00FF00);
    canvas->addToScene(String("a"), a.get(), -1);
    canvas->addToScene(String("b"), b.get(), 0);
    EXPECT_EQ(canvas->indexOfSprite(b.get()), 0);
    EXPECT_EQ(canvas->getSprite(String("a")), a.get());
    EXPECT_FALSE(canvas->spriteAt(-1));
    EXPECT_FALSE(canvas->spriteAt(canvas->getSpriteCount()));
    EXPECT_EQ(canvas->spriteAt(1).get(), a.get());

    canvas->removeFromScene(a.get());
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(canvas->getSprite(String("a")), nullptr);
    EXPECT_EQ(canvas->indexOfSprite(a.get()), 1); // until the next update
    canvas->updateFrame();
    EXPECT_EQ(canvas->indexOfSprite(a.get()), -1);

    canvas->removeFromScene(b.get());
    canvas->addToScene(String("again"), b.get(), 5);
    canvas->updateFrame();
    EXPECT_EQ(canvas->indexOfSprite(b.get()), 0);
    EXPECT_EQ(canvas->getSprite(String("again")), b.get());
    EXPECT_EQ(canvas->getSprite(String("b")), nullptr);

    // Renaming a sprite does not take the old name from another sprite.
    canvas->addToScene(String("a"), a.get(), -1);
    b->setName(String("a"));
    canvas->addToScene(String("bee"), b.get(), -1);
    EXPECT_EQ(canvas->getSprite(String("a")), a.get());
}

TEST_F(GameCanvasTest, SoundSwitchAndClipSlots) {
    Ref<RecordingClip> first = adopt(new RecordingClip());
    Ref<RecordingClip> second = adopt(new RecordingClip());
    Ref<lang::Vector> list = adopt(new lang::Vector());
    list->addElement(first.get());
    list->addElement(second.get());
    canvas->adoptSounds(list.get());
    EXPECT_TRUE(canvas->areResourcesReady());

    canvas->playSound(0);
    canvas->loopSound(1);
    canvas->playSound(2);  // no such slot
    canvas->playSound(-1); // nor this
    canvas->playSound(static_cast<lang::AudioClip*>(nullptr));
    EXPECT_EQ(first->calls, "p");
    EXPECT_EQ(second->calls, "l");

    // Off stops every clip at once; nothing starts while off; stop still works.
    canvas->setSoundEnabled(false);
    EXPECT_EQ(first->calls, "ps");
    EXPECT_EQ(second->calls, "ls");
    canvas->playSound(0);
    canvas->loopSound(second.get());
    canvas->stopSound(1);
    EXPECT_EQ(first->calls, "ps");
    EXPECT_EQ(second->calls, "lss");

    // Stopping the canvas stops its sounds.
    canvas->setSoundEnabled(true);
    canvas->playSound(0);
    canvas->startStepped();
    canvas->stop();
    EXPECT_EQ(first->calls, "psps");

    // On the first layer "S" typed while running toggles sound; on the
    // second it is queued for the game like any other character.
    Ref<PlainCanvas> plain = adopt(new PlainCanvas());
    EXPECT_FALSE(plain->characterTyped(character(plain.get(), 's').get(), 's'));
    plain->startStepped();
    EXPECT_TRUE(plain->characterTyped(character(plain.get(), 'S').get(), 'S'));
    EXPECT_FALSE(plain->isSoundEnabled());
    EXPECT_FALSE(plain->characterTyped(character(plain.get(), 'x').get(), 'x'));
    canvas->startStepped();
    EXPECT_TRUE(canvas->characterTyped(character(canvas.get(), 's').get(), 's'));
    EXPECT_TRUE(canvas->isSoundEnabled());
    EXPECT_EQ(canvas->dispatchQueuedEvents(), 1);
}

TEST_F(GameCanvasTest, ResourceListReplacesItsFourListsOnlyWhenTheWholeFileReads) {
    iotest::TempDir dir;
    dir.write("list.txt", "; names, names, numbers, texts\n"
                          "2 alpha \"beta gamma\"\n"
                          "1 delta\n"
                          "3 10 -2 7.9\n"
                          "2 \"one\" two\n");
    dir.write("broken.txt", "1 x\n1 y\n2 5\n"); // ends inside the numbers
    canvas->setResourceListFile(String("list.txt"));
    ASSERT_TRUE(canvas->loadResourceList(String(dir.path().c_str())));
    EXPECT_TRUE(boxes.empty());
    auto text = [](lang::Vector* v, int i) {
        return std::string(static_cast<String*>(v->elementAt(i))->getChars());
    };
    Ref<lang::Vector> first = canvas->getFirstNames();
    ASSERT_EQ(first->size(), 2);
    EXPECT_EQ(text(first.get(), 1), "beta gamma");
    EXPECT_EQ(canvas->getSecondNames()->size(), 1);
    Ref<lang::IntArray> numbers = canvas->getIntegerData();
    ASSERT_EQ(numbers->size(), 3);
    EXPECT_EQ(numbers->get(1), -2);
    EXPECT_EQ(numbers->get(2), 7);
    EXPECT_EQ(text(canvas->getStrings().get(), 0), "one");

    const char* failing[] = {"broken.txt", "missing.txt", "+no-such-item"};
    for (const char* name : failing) {
        SCOPED_TRACE(name);
        boxes.clear();
        canvas->setResourceListFile(String(name));
        EXPECT_FALSE(canvas->loadResourceList(String(dir.path().c_str())));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].rfind("Lumora Error|", 0), 0u);
        EXPECT_EQ(canvas->getFirstNames().get(), first.get());
        EXPECT_EQ(canvas->getIntegerData().get(), numbers.get());
        EXPECT_FALSE(canvas->areResourcesReady());
    }
}

TEST_F(GameCanvasTest, OnlyTheDirtyRegionIsRenderedAndReachesTheWindow) {
    Ref<lang::Image> buffer = canvas->getBackBuffer();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->getWidth(), 800);
    // The same size keeps the buffer; a zero size changes nothing.
    canvas->resizeBackBuffer(800, 600);
    canvas->resizeBackBuffer(0, 600);
    EXPECT_EQ(canvas->getBackBuffer().get(), buffer.get());

    canvas->setBackground(lang::Color(0, 0, 255));
    canvas->setClearBackground(true);
    Ref<engine::Sprite> red = solidSprite(100, 100, 20, 10, 0xFFFF0000);
    Ref<engine::Sprite> green = solidSprite(400, 300, 8, 8, 0xFF00FF00);
    canvas->addToScene(String("red"), red.get(), -1);
    canvas->addToScene(String("green"), green.get(), -1);
    canvas->startStepped();
    canvas->invalidateArea(nullptr);
    canvas->stepFrame();
    EXPECT_FALSE(canvas->isDirty());
    auto fb = frame->getWindow()->getFrameBuffer();
    EXPECT_EQ(fb->pixelAt(105, 105), 0xFFFF0000u);
    EXPECT_EQ(fb->pixelAt(0, 0), 0xFF0000FFu);
    shownSinceLastCall();

    // A static frame shows nothing.
    canvas->stepFrame();
    EXPECT_TRUE(shownSinceLastCall().empty());

    // A move repaints the old and the new place, and nothing else.
    red->setLocation(130, 100);
    canvas->stepFrame();
    std::vector<platform::PixelRect> shown = shownSinceLastCall();
    ASSERT_FALSE(shown.empty());
    int area = 0;
    for (const platform::PixelRect& r : shown) {
        EXPECT_GE(r.x, 100);
        EXPECT_LE(r.x + r.width, 150);
        EXPECT_GE(r.y, 100);
        EXPECT_LE(r.y + r.height, 110);
        area += r.width * r.height;
    }
    // The sprite reports the box around its old and new place.
    EXPECT_EQ(area, 50 * 10);
    EXPECT_EQ(fb->pixelAt(105, 105), 0xFF0000FFu);
    EXPECT_EQ(fb->pixelAt(135, 105), 0xFFFF0000u);
    EXPECT_EQ(testsupport::pixelAt(*buffer, 135, 105), 0xFFFF0000u);

    // A hidden scene sprite is not painted when its area is repainted.
    green->setVisible(false);
    canvas->stepFrame();
    EXPECT_EQ(fb->pixelAt(403, 303), 0xFF0000FFu);
}

TEST_F(GameCanvasTest, CommandsSetTheCursorOrGoToVisibleDialogsTopmostFirst) {
    // Each dialog notes the offer in a shared log and answers its code.
    static std::string offers;
    class Dialog : public engine::DialogSprite {
    public:
        Dialog(char tag, int answer) : tag(tag), answer(answer) {}
        int onCommand(const String&) override {
            offers += tag;
            return answer;
        }
        char tag;
        int answer;
    };
    struct Row {
        std::vector<int> answers; // bottom to top
        std::vector<bool> visible;
        std::string offered; // top to bottom
    };
    const Row rows[] = {
        {{0, 0, 0}, {true, true, true}, "cba"},
        {{0, 1, 0}, {true, true, true}, "cb"},
        {{3, 0, 2}, {true, true, true}, "c"},
        {{1, 0, 4}, {true, false, true}, "ca"},
    };
    for (const Row& row : rows) {
        Ref<RecordingCanvas> c = adopt(new RecordingCanvas());
        for (size_t i = 0; i < row.answers.size(); ++i) {
            Ref<Dialog> d = adopt(new Dialog(char('a' + i), row.answers[i]));
            d->setVisible(row.visible[i]);
            c->addToScene(String(), d.get(), -1);
        }
        c->addToScene(String(), solidSprite(0, 0, 1, 1, 0xFF000000).get(), -1);
        offers.clear();
        c->command(nullptr, String("go"));
        EXPECT_EQ(offers, row.offered);
    }
    offers.clear();
    canvas->addToScene(String(), adopt(new Dialog('x', 0)).get(), -1);
    canvas->command(nullptr, String("handCursor"));
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(canvas->getCursor(), lang::Cursor::getSystemCursor(lang::Cursor::System::hand));
    canvas->command(nullptr, String("normalCursor"));
    EXPECT_EQ(canvas->getCursor(), lang::Cursor::getSystemCursor(lang::Cursor::System::arrow));
}

TEST_F(GameCanvasTest, WindowPaintShowsTheBackgroundUntilRunningThenTheBackBuffer) {
    auto fb = frame->getWindow()->getFrameBuffer();
    canvas->setBackground(lang::Color(0, 255, 0));
    canvas->repaint();
    platform::pumpMessages(0);
    EXPECT_EQ(fb->pixelAt(10, 10), 0xFF00FF00u);

    canvas->addToScene(String("red"), solidSprite(0, 0, 20, 20, 0xFFFF0000).get(), -1);
    canvas->startStepped();
    canvas->invalidateArea(nullptr);
    canvas->render(); // into the back buffer only
    EXPECT_EQ(fb->pixelAt(10, 10), 0xFF00FF00u);
    canvas->repaint();
    platform::pumpMessages(0);
    EXPECT_EQ(fb->pixelAt(10, 10), 0xFFFF0000u);
    // The painted area is rendered afresh on the next frame.
    EXPECT_TRUE(canvas->isDirty());
}

} // namespace
