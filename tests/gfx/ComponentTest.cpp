#include "gfx/Component.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"
#include "platform/FrameBuffer.h"
#include "platform/KeyCodes.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowMessages.h"
#include "support/InputInjection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Color;
using lang::Component;
using lang::Event;
using lang::Frame;
using lang::Rectangle;
using lang::Ref;
namespace msg = platform::msg;
using testsupport::Button;
using testsupport::Key;
using testsupport::WindowChange;
namespace mods = testsupport::mods;

namespace {

struct Seen {
    std::string call;
    int id, x, y, key, modifiers, clickCount;
};

// Records the calls the window procedure makes. `handles` decides what the
// key handlers answer, so that key events can bubble to the parent.
class Probe : public Component {
public:
    bool mouseDown(Event* e, int x, int y) override { return note("down", e, x, y); }
    bool mouseUp(Event* e, int x, int y) override { return note("up", e, x, y); }
    bool mouseMove(Event* e, int x, int y) override { return note("move", e, x, y); }
    bool mouseDrag(Event* e, int x, int y) override { return note("drag", e, x, y); }
    bool keyDown(Event* e, int key) override {
        note("keyDown", e, e->x, e->y);
        seen.back().key = key;
        return handles;
    }
    bool keyUp(Event* e, int key) override {
        note("keyUp", e, e->x, e->y);
        seen.back().key = key;
        return handles;
    }
    bool note(const char* call, Event* e, int x, int y) {
        EXPECT_EQ(e->source.get(), this);
        seen.push_back({call, e->id, x, y, e->key, e->modifiers, e->clickCount});
        return true;
    }
    std::vector<Seen> seen;
    bool handles = true;
};

class ProbeFrame : public Frame {
public:
    void onClose() override { ++closes; }
    void onDestroy() override { ++destroys; }
    void onActivate(bool active) override { activations.push_back(active); }
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        if (message == platform::msg::size)
            sizeKinds.push_back(int(wParam));
        return Frame::windowProc(message, wParam, lParam);
    }
    bool keyDown(Event*, int key) override {
        keys.push_back(key);
        return true;
    }
    int closes = 0;
    int destroys = 0;
    std::vector<bool> activations;
    std::vector<int> keys;
    std::vector<int> sizeKinds;
};

uint32_t fakeNow = 100000;
uint32_t fakeClock() {
    return fakeNow;
}

std::vector<std::string> boxes;
void observeBox(const std::string& title, const std::string& text) {
    boxes.push_back(title + "|" + text);
}

bool refuse(bool) {
    return false;
}
bool accept(bool) {
    return true;
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::initVideo());
        platform::setMessageClock(fakeClock);
        platform::setMessageBoxObserver(observeBox);
        boxes.clear();
        frame = adopt(new ProbeFrame());
        ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
        canvas = adopt(new Probe());
        ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
        canvas->setVisible(true);
        canvas->requestFocus();
    }
    void TearDown() override {
        if (frame->getWindow())
            frame->getWindow()->destroy();
        platform::Window::setFullScreenSwitch(nullptr);
        platform::setMessageBoxObserver(nullptr);
        platform::setMessageClock(nullptr);
        platform::quitVideo();
    }

    void pump() { platform::pumpMessages(0); }
    void button(bool down, Button b, int x, int y) {
        ASSERT_TRUE(down ? input().press(b, x, y) : input().release(b, x, y));
        pump();
    }
    void motion(int x, int y, std::initializer_list<Button> held = {}) {
        ASSERT_TRUE(input().move(x, y, held));
        pump();
    }
    void key(bool down, Key k, int modifiers) {
        ASSERT_TRUE(down ? input().keyDown(k, modifiers) : input().keyUp(k, modifiers));
        pump();
    }
    void text(const char* utf8) {
        ASSERT_TRUE(input().text(utf8));
        pump();
    }
    void windowEvent(WindowChange change) {
        ASSERT_TRUE(input().window(change));
        pump();
    }
    testsupport::InputInjector input() { return testsupport::InputInjector(frame->getWindow()); }

    Ref<ProbeFrame> frame;
    Ref<Probe> canvas;
};

TEST_F(ComponentTest, CreationKeepsSizeAndBoundsAndTheWindowHoldsAReference) {
    EXPECT_EQ(frame->sizeRef().width, 800);
    EXPECT_EQ(frame->sizeRef().height, 600);
    EXPECT_EQ(canvas->getBounds().width, 800);
    EXPECT_EQ(canvas->getParent(), frame.get());
    EXPECT_EQ(canvas->getFrame(), frame.get());
    EXPECT_EQ(frame->getFrame(), frame.get());
    EXPECT_EQ(canvas->getRefCount(), 2); // ours and the window's
    EXPECT_TRUE(canvas->instanceOf("component"));
    EXPECT_TRUE(frame->instanceOf("Frame"));
    EXPECT_FALSE(canvas->instanceOf("Frame"));
    canvas->setSize(400, 300);
    EXPECT_EQ(canvas->sizeRef().width, 400);
    EXPECT_EQ(canvas->getBounds().height, 300);
    EXPECT_TRUE(canvas->inside(0, 0));
    EXPECT_FALSE(canvas->inside(400, 0));
}

TEST_F(ComponentTest, ClickCountsFollowTheDoubleClickTime) {
    button(true, Button::left, 10, 10);
    button(false, Button::left, 10, 10);
    fakeNow += 1;
    button(true, Button::left, 10, 10);
    button(false, Button::left, 10, 10);
    fakeNow += 501;
    button(true, Button::left, 10, 10);
    std::vector<int> counts;
    for (const Seen& s : canvas->seen)
        if (s.call == "down")
            counts.push_back(s.clickCount);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(canvas->seen.front().id, Event::mouseDown);
    EXPECT_EQ(canvas->seen[1].id, Event::mouseUp);
    // The press captured the mouse for the canvas.
    EXPECT_EQ(platform::Window::getCapture(), canvas->getWindow());
}

TEST_F(ComponentTest, TypedCharactersArriveOnceAndControlGivesTheLetter) {
    key(true, 'a', mods::none);
    text("a");
    key(false, 'a', mods::none);
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].call, "keyDown");
    EXPECT_EQ(canvas->seen[0].id, Event::keyPress);
    EXPECT_EQ(canvas->seen[0].key, 97);
    EXPECT_EQ(canvas->seen[0].x, 0);
    EXPECT_EQ(canvas->seen[0].modifiers, 0);
    EXPECT_EQ(canvas->seen[1].call, "keyUp");
    EXPECT_EQ(canvas->seen[1].key, 'A');

    canvas->seen.clear();
    key(true, Key::leftControl, mods::control);
    key(true, 'a', mods::control);
    text("a");
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].key, 17); // the control key itself
    EXPECT_EQ(canvas->seen[1].key, 97);
    EXPECT_EQ(canvas->seen[1].modifiers, Event::controlMask);
    EXPECT_EQ(canvas->seen[1].x, 'A');
}

TEST_F(ComponentTest, ArrowsAndFunctionKeysGetCodesAboveAThousand) {
    key(true, Key::left, mods::none);
    key(false, Key::left, mods::none);
    key(true, Key::f2, mods::shift);
    key(true, Key::escape, mods::none);
    ASSERT_EQ(canvas->seen.size(), 4u);
    EXPECT_EQ(canvas->seen[0].key, Event::left);
    EXPECT_EQ(canvas->seen[1].key, Event::left);
    EXPECT_EQ(canvas->seen[1].id, Event::keyRelease);
    EXPECT_EQ(canvas->seen[2].key, Event::f2);
    EXPECT_EQ(canvas->seen[2].modifiers, Event::shiftMask);
    EXPECT_EQ(canvas->seen[3].key, 27); // from its character
}

// A key message may be handled after the keyboard changed, and made on another thread: its
// handler takes the modifiers and the key's character from the message, never from the
// keyboard as it is by then (here: Control held alone).
TEST_F(ComponentTest, KeyMessagesCarryTheirOwnModifiersAndCharacter) {
    struct Case {
        const char* what;
        uint32_t message;
        uintptr_t virtualKey;
        uintptr_t modifiers;
        int character;
        const char* call;
        int key;
        int eventModifiers;
    };
    const Case cases[] = {
        {"control shift a", msg::keyDown, 'A', msg::mkControl | msg::mkShift, 'A', "keyDown", 'A',
         Event::controlMask | Event::shiftMask},
        {"control a", msg::keyDown, 'A', msg::mkControl, 'a', "keyDown", 'a', Event::controlMask},
        {"shift arrow", msg::keyDown, platform::vk::left, msg::mkShift, 0, "keyDown", Event::left,
         Event::shiftMask},
        {"plain arrow", msg::keyDown, platform::vk::right, 0, 0, "keyDown", Event::right, 0},
        {"shift release", msg::keyUp, 'A', msg::mkShift, 'A', "keyUp", 'A', Event::shiftMask},
        {"typed", msg::character, 'x', msg::mkShift, 0, "keyDown", 'x', Event::shiftMask},
    };
    key(true, Key::leftControl, mods::control);
    canvas->seen.clear();
    uint32_t id = canvas->getWindowId();
    std::thread([&] {
        for (const Case& c : cases)
            platform::postMessage(id, c.message, c.virtualKey,
                                  msg::makeKeyData(1, c.modifiers, c.character));
    }).join();
    pump();
    ASSERT_EQ(canvas->seen.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(canvas->seen[i].call, cases[i].call);
        EXPECT_EQ(canvas->seen[i].key, cases[i].key);
        EXPECT_EQ(canvas->seen[i].modifiers, cases[i].eventModifiers);
        EXPECT_EQ(canvas->seen[i].y, 1); // the classic key data is kept as it was
    }
}

TEST_F(ComponentTest, UnhandledKeysBubbleToTheFrame) {
    canvas->handles = false;
    key(true, Key::right, mods::none);
    key(false, Key::right, mods::none);
    EXPECT_EQ(frame->keys, (std::vector<int>{Event::right})); // key-ups do not bubble
}

TEST_F(ComponentTest, RightDragCarriesModifiersFiveAndCoordinatesStaySigned) {
    button(true, Button::right, 100, 100);
    motion(120, 90, {Button::right});
    motion(-30, -40, {Button::right});
    button(false, Button::right, -30, -40);
    motion(5, 6);
    ASSERT_EQ(canvas->seen.size(), 5u);
    EXPECT_EQ(canvas->seen[0].modifiers, 5);
    EXPECT_EQ(canvas->seen[1].call, "drag");
    EXPECT_EQ(canvas->seen[1].id, Event::mouseDrag);
    EXPECT_EQ(canvas->seen[1].modifiers, 5);
    EXPECT_EQ(canvas->seen[2].x, -30);
    EXPECT_EQ(canvas->seen[2].y, -40);
    EXPECT_EQ(canvas->seen[3].call, "up");
    EXPECT_EQ(canvas->seen[3].modifiers, 5);
    EXPECT_EQ(canvas->seen[4].call, "move");
    EXPECT_EQ(canvas->seen[4].id, Event::mouseMove);
    EXPECT_EQ(platform::Window::getCapture(), nullptr); // released with the last button
}

TEST_F(ComponentTest, LosingTheCaptureDeliversTheOwedUpsLeftFirst) {
    button(true, Button::left, 50, 60);
    button(true, Button::right, 50, 60);
    canvas->seen.clear();
    windowEvent(WindowChange::focusLost);
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].call, "up");
    EXPECT_NE(canvas->seen[0].modifiers, 5);
    EXPECT_EQ(canvas->seen[1].call, "up");
    EXPECT_EQ(canvas->seen[1].modifiers, 5);
    EXPECT_EQ(frame->activations, (std::vector<bool>{false}));
    // Nothing more is owed: a second loss delivers nothing.
    windowEvent(WindowChange::focusLost);
    EXPECT_EQ(canvas->seen.size(), 2u);
    windowEvent(WindowChange::focusGained);
    EXPECT_EQ(frame->activations, (std::vector<bool>{false, false, true}));
}

TEST_F(ComponentTest, CloseAsksTheFrameAndTheDestroyRequestDestroysIt) {
    windowEvent(WindowChange::close);
    EXPECT_EQ(frame->closes, 1);
    ASSERT_NE(frame->getWindow(), nullptr);
    EXPECT_EQ(frame->destroys, 0);
    std::thread([this] { frame->postDestroy(); }).join();
    pump();
    EXPECT_EQ(frame->destroys, 1);
    EXPECT_EQ(frame->getWindow(), nullptr);
    EXPECT_EQ(canvas->getWindow(), nullptr);
    EXPECT_EQ(canvas->getRefCount(), 1);
    EXPECT_EQ(frame->getRefCount(), 1);
    EXPECT_EQ(Component::getFocusWindow(), 0u);
}

TEST_F(ComponentTest, MinimisingAndRestoringReachTheDerivedFrameAndKeepTheSize) {
    frame->sizeKinds.clear();
    windowEvent(WindowChange::minimized);
    EXPECT_TRUE(frame->isIconic());
    EXPECT_EQ(frame->sizeRef().width, 800);
    EXPECT_EQ(frame->sizeRef().height, 600);
    windowEvent(WindowChange::restored);
    EXPECT_FALSE(frame->isIconic());
    EXPECT_EQ(frame->sizeKinds, (std::vector<int>{int(platform::msg::sizeMinimized),
                                                  int(platform::msg::sizeRestored)}));
    EXPECT_EQ(frame->sizeRef().width, 800);
    EXPECT_TRUE(frame->getGraphics()); // still drawable after the round trip
}

TEST_F(ComponentTest, FullScreenRefusedShowsTheBoxAndStaysWindowed) {
    platform::Window::setFullScreenSwitch(refuse);
    frame->setFullScreen(true, false);
    EXPECT_FALSE(frame->fullScreen);
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Lumora Error|Unable to switch to Fullscreen mode."}));

    platform::Window::setFullScreenSwitch(accept);
    frame->setFullScreen(true, false);
    EXPECT_TRUE(frame->fullScreen);
    frame->restoreMode = false;
    frame->setFullScreen(false, false); // neither restoreMode nor force: stays
    EXPECT_TRUE(frame->fullScreen);
    frame->setFullScreen(false, true);
    EXPECT_FALSE(frame->fullScreen);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ComponentTest, MaximisingAFixedSizeFrameEntersFullScreen) {
    platform::Window::setFullScreenSwitch(accept);
    windowEvent(WindowChange::maximized);
    EXPECT_TRUE(frame->fullScreen);
}

TEST_F(ComponentTest, CursorsAndFocusRequestsFromOtherThreadsArePosted) {
    lang::Cursor::createProgramCursors();
    lang::Cursor* hand = lang::Cursor::getSystemCursor(lang::Cursor::System::hand);
    ASSERT_NE(lang::Cursor::getProgramCursor(104), nullptr);
    EXPECT_EQ(lang::Cursor::getProgramCursor(108), nullptr);
    std::thread([&] {
        canvas->setCursor(hand);
        canvas->requestFocus();
        canvas->repaint();
    }).join();
    EXPECT_EQ(canvas->getCursor(), hand);
    pump();
    EXPECT_EQ(platform::Window::getFocus(), canvas->getWindow());
    EXPECT_TRUE(frame->restoreFocus(true));
    EXPECT_FALSE(frame->restoreFocus(false));
    canvas->setCursor(nullptr);
    lang::Cursor::releaseAll();
}

TEST_F(ComponentTest, MousePositionIsReportedInClientCoordinates) {
    canvas->getWindow()->setBounds(100, 50, 200, 100);
    motion(150, 70);
    Ref<lang::Point> p = canvas->getMousePosition();
    EXPECT_EQ(p->x, 50);
    EXPECT_EQ(p->y, 20);
    EXPECT_TRUE(canvas->isMouseInside());
    canvas->setMousePosition(-5, 10);
    EXPECT_FALSE(canvas->isMouseInside());
    windowEvent(WindowChange::leave);
    EXPECT_FALSE(frame->isMouseInside());
}

TEST_F(ComponentTest, GraphicsOfAnAreaDrawOnlyInsideItAndTheMainThreadPresentsThem) {
    canvas->getWindow()->setBounds(100, 50, 200, 100);
    auto fb = frame->getWindow()->getFrameBuffer();
    ASSERT_TRUE(fb);
    pump();
    fb->takeChanges([](const uint32_t*, const std::vector<platform::PixelRect>&) {});

    // Drawn on another thread, as the render thread does: the origin is the
    // area's corner and nothing lands outside the area.
    Ref<lang::Image> tile = adopt(new lang::Image(4, 4, 0, false));
    std::fill(tile->getPixels(), tile->getPixels() + 16, 0xFF445566u);
    std::thread([&] {
        Ref<lang::Graphics> g = canvas->getGraphics();
        ASSERT_TRUE(g);
        EXPECT_TRUE(g->instanceOf("GraphicsW"));
        g->setColor(Color(0x11, 0x22, 0x33));
        g->fillRect(-50, -50, 1000, 1000);
        g->drawImage(tile.get(), 198, 98); // half outside
        g->dispose();
    }).join();
    EXPECT_EQ(fb->pixelAt(100, 50), 0xFF112233u);
    EXPECT_EQ(fb->pixelAt(297, 147), 0xFF112233u);
    EXPECT_EQ(fb->pixelAt(298, 148), 0xFF445566u);
    EXPECT_EQ(fb->pixelAt(299, 149), 0xFF445566u);
    EXPECT_EQ(fb->pixelAt(99, 50), 0xFF000000u);
    EXPECT_EQ(fb->pixelAt(300, 149), 0xFF000000u);
    EXPECT_EQ(fb->pixelAt(100, 150), 0xFF000000u);
    pump();
    bool left = false;
    fb->takeChanges([&](const uint32_t*, const std::vector<platform::PixelRect>&) { left = true; });
    EXPECT_FALSE(left); // the main thread uploaded every change

    // A repaint erases the area with its background on the main thread.
    canvas->setBackground(Color(0, 0, 255));
    canvas->repaint();
    pump();
    EXPECT_EQ(fb->pixelAt(200, 100), 0xFF0000FFu);
    EXPECT_EQ(fb->pixelAt(99, 50), 0xFF000000u);

    // Graphics outliving the window draw harmlessly; no new ones are made.
    Ref<lang::Graphics> late = canvas->getGraphics();
    Ref<lang::Graphics> copy = late->create();
    frame->getWindow()->destroy();
    EXPECT_FALSE(canvas->getGraphics());
    EXPECT_FALSE(frame->getGraphics());
    copy->fillRect(0, 0, 10, 10);
    late->drawImage(tile.get(), 0, 0);
    EXPECT_EQ(fb->pixelAt(100, 50), 0xFF445566u);
    pump();
}

} // namespace
