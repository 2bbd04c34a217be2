#include "gfx/Component.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"
#include "platform/FrameBuffer.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowMessages.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
        sdlId = frame->getWindow()->getSystemId();
    }
    void TearDown() override {
        if (frame->getWindow())
            frame->getWindow()->destroy();
        platform::Window::setFullScreenSwitch(nullptr);
        platform::setMessageBoxObserver(nullptr);
        platform::setMessageClock(nullptr);
        platform::quitVideo();
    }

    void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }
    void pump() { platform::pumpMessages(0); }
    void button(bool down, int b, int x, int y) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = sdlId;
        e.button.button = static_cast<Uint8>(b);
        e.button.x = x;
        e.button.y = y;
        push(e);
        pump();
    }
    void motion(int x, int y, uint32_t state) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = sdlId;
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = state;
        push(e);
        pump();
    }
    void key(bool down, SDL_Keycode sym, uint16_t mod) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = sdlId;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        push(e);
        pump();
    }
    void text(const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = sdlId;
        std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        push(e);
        pump();
    }
    void windowEvent(SDL_WindowEventID id) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = sdlId;
        e.window.event = static_cast<Uint8>(id);
        push(e);
        pump();
    }

    Ref<ProbeFrame> frame;
    Ref<Probe> canvas;
    uint32_t sdlId = 0;
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
    button(true, SDL_BUTTON_LEFT, 10, 10);
    button(false, SDL_BUTTON_LEFT, 10, 10);
    fakeNow += 1;
    button(true, SDL_BUTTON_LEFT, 10, 10);
    button(false, SDL_BUTTON_LEFT, 10, 10);
    fakeNow += 501;
    button(true, SDL_BUTTON_LEFT, 10, 10);
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
    key(true, SDLK_a, KMOD_NONE);
    text("a");
    key(false, SDLK_a, KMOD_NONE);
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].call, "keyDown");
    EXPECT_EQ(canvas->seen[0].id, Event::keyPress);
    EXPECT_EQ(canvas->seen[0].key, 97);
    EXPECT_EQ(canvas->seen[0].x, 0);
    EXPECT_EQ(canvas->seen[0].modifiers, 0);
    EXPECT_EQ(canvas->seen[1].call, "keyUp");
    EXPECT_EQ(canvas->seen[1].key, 'A');

    canvas->seen.clear();
    key(true, SDLK_LCTRL, KMOD_LCTRL);
    key(true, SDLK_a, KMOD_LCTRL);
    text("a");
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].key, 17); // the control key itself
    EXPECT_EQ(canvas->seen[1].key, 97);
    EXPECT_EQ(canvas->seen[1].modifiers, Event::controlMask);
    EXPECT_EQ(canvas->seen[1].x, 'A');
}

TEST_F(ComponentTest, ArrowsAndFunctionKeysGetCodesAboveAThousand) {
    key(true, SDLK_LEFT, KMOD_NONE);
    key(false, SDLK_LEFT, KMOD_NONE);
    key(true, SDLK_F2, KMOD_LSHIFT);
    key(true, SDLK_ESCAPE, KMOD_NONE);
    ASSERT_EQ(canvas->seen.size(), 4u);
    EXPECT_EQ(canvas->seen[0].key, Event::left);
    EXPECT_EQ(canvas->seen[1].key, Event::left);
    EXPECT_EQ(canvas->seen[1].id, Event::keyRelease);
    EXPECT_EQ(canvas->seen[2].key, Event::f2);
    EXPECT_EQ(canvas->seen[2].modifiers, Event::shiftMask);
    EXPECT_EQ(canvas->seen[3].key, 27); // from its character
}

TEST_F(ComponentTest, UnhandledKeysBubbleToTheFrame) {
    canvas->handles = false;
    key(true, SDLK_RIGHT, KMOD_NONE);
    key(false, SDLK_RIGHT, KMOD_NONE);
    EXPECT_EQ(frame->keys, (std::vector<int>{Event::right})); // key-ups do not bubble
}

TEST_F(ComponentTest, RightDragCarriesModifiersFiveAndCoordinatesStaySigned) {
    button(true, SDL_BUTTON_RIGHT, 100, 100);
    motion(120, 90, SDL_BUTTON_RMASK);
    motion(-30, -40, SDL_BUTTON_RMASK);
    button(false, SDL_BUTTON_RIGHT, -30, -40);
    motion(5, 6, 0);
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
    button(true, SDL_BUTTON_LEFT, 50, 60);
    button(true, SDL_BUTTON_RIGHT, 50, 60);
    canvas->seen.clear();
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    ASSERT_EQ(canvas->seen.size(), 2u);
    EXPECT_EQ(canvas->seen[0].call, "up");
    EXPECT_NE(canvas->seen[0].modifiers, 5);
    EXPECT_EQ(canvas->seen[1].call, "up");
    EXPECT_EQ(canvas->seen[1].modifiers, 5);
    EXPECT_EQ(frame->activations, (std::vector<bool>{false}));
    // Nothing more is owed: a second loss delivers nothing.
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(canvas->seen.size(), 2u);
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(frame->activations, (std::vector<bool>{false, false, true}));
}

TEST_F(ComponentTest, CloseAsksTheFrameAndTheDestroyRequestDestroysIt) {
    windowEvent(SDL_WINDOWEVENT_CLOSE);
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
    windowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_TRUE(frame->isIconic());
    EXPECT_EQ(frame->sizeRef().width, 800);
    EXPECT_EQ(frame->sizeRef().height, 600);
    windowEvent(SDL_WINDOWEVENT_RESTORED);
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
    windowEvent(SDL_WINDOWEVENT_MAXIMIZED);
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
    motion(150, 70, 0);
    Ref<lang::Point> p = canvas->getMousePosition();
    EXPECT_EQ(p->x, 50);
    EXPECT_EQ(p->y, 20);
    EXPECT_TRUE(canvas->isMouseInside());
    canvas->setMousePosition(-5, 10);
    EXPECT_FALSE(canvas->isMouseInside());
    windowEvent(SDL_WINDOWEVENT_LEAVE);
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
