#include "platform/Window.h"
#include "platform/KeyCodes.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using platform::PixelRect;
using platform::Window;
namespace msg = platform::msg;

namespace {

struct Received {
    uint32_t window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Records every message and hands it to the default procedure.
class Recorder : public platform::WindowHandler {
public:
    intptr_t handleMessage(Window* w, uint32_t m, uintptr_t wp, intptr_t lp) override {
        log.push_back({w->getId(), m, wp, lp});
        return w->defaultProc(m, wp, lp);
    }
    std::vector<Received> of(uint32_t message) const {
        std::vector<Received> out;
        for (const Received& r : log)
            if (r.message == message)
                out.push_back(r);
        return out;
    }
    std::vector<Received> log;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(platform::initVideo()) << SDL_GetError(); }
    void TearDown() override { platform::quitVideo(); }

    Window* topLevel(Recorder& r) {
        Window::Options options;
        return Window::create(nullptr, 10, 20, 800, 600, options, &r);
    }
    static uint32_t sdlId(Window* w) { return w->getSystemId(); }
    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }
    static void pump() { platform::pumpMessages(0); }
    static SDL_Event button(uint32_t window, bool down, int b, int x, int y) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = window;
        e.button.button = static_cast<Uint8>(b);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        return e;
    }
    static SDL_Event key(uint32_t window, bool down, SDL_Keycode sym, uint16_t mod) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = window;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }
};

TEST(LetterboxTest, KeepsTheCanvasAspectAndMapsPointsBack) {
    PixelRect same = Window::letterbox(800, 600, 800, 600);
    EXPECT_EQ(same.x, 0);
    EXPECT_EQ(same.width, 800);
    PixelRect wide = Window::letterbox(1920, 1080, 800, 600);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    EXPECT_EQ(wide.width, 1440);
    EXPECT_EQ(wide.height, 1080);
    PixelRect tall = Window::letterbox(800, 1000, 800, 600);
    EXPECT_EQ(tall.y, 200);
    EXPECT_EQ(tall.height, 600);

    int cx, cy;
    Window::windowToCanvas(240, 0, 1920, 1080, 800, 600, cx, cy);
    EXPECT_EQ(cx, 0);
    EXPECT_EQ(cy, 0);
    Window::windowToCanvas(1679, 1079, 1920, 1080, 800, 600, cx, cy);
    EXPECT_EQ(cx, 799);
    EXPECT_EQ(cy, 599);
    // The black bars lie outside the canvas: the left one at negative x.
    Window::windowToCanvas(0, 540, 1920, 1080, 800, 600, cx, cy);
    EXPECT_EQ(cx, -134);
    EXPECT_EQ(cy, 300);
}

TEST(FrameBufferTest, CopiesClipsAndCollectsChanges) {
    platform::FrameBuffer fb(8, 4, 0);
    uint32_t src[3 * 2] = {1, 2, 3, 4, 5, 6};
    fb.copyFrom(src, 3, 3, 2, 6, -1, nullptr); // hangs over the right and top
    EXPECT_EQ(fb.pixelAt(6, 0), 4u);
    EXPECT_EQ(fb.pixelAt(7, 0), 5u);
    PixelRect clip{0, 0, 7, 4};
    fb.copyFrom(src, 3, 3, 2, 5, 2, &clip);
    EXPECT_EQ(fb.pixelAt(5, 2), 1u);
    EXPECT_EQ(fb.pixelAt(6, 3), 5u);
    EXPECT_EQ(fb.pixelAt(7, 2), 0xFF000000u);
    fb.fill(PixelRect{-5, -5, 6, 6}, 7);
    EXPECT_EQ(fb.pixelAt(0, 0), 7u);
    EXPECT_EQ(fb.pixelAt(1, 1), 0xFF000000u);
    EXPECT_EQ(fb.pixelAt(-1, 0), 0u);

    std::vector<PixelRect> taken;
    fb.takeChanges([&](const uint32_t*, const std::vector<PixelRect>& r) { taken = r; });
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].x, 6);
    EXPECT_EQ(taken[0].width, 2);
    EXPECT_EQ(taken[0].height, 1);
    EXPECT_EQ(taken[1].width, 2);
    taken.clear();
    fb.takeChanges([&](const uint32_t*, const std::vector<PixelRect>& r) { taken = r; });
    EXPECT_TRUE(taken.empty());
    // Many scattered changes become one covering rectangle.
    for (int i = 0; i < 17; ++i)
        fb.fill(PixelRect{i % 8, i / 8, 1, 1}, 1);
    fb.takeChanges([&](const uint32_t*, const std::vector<PixelRect>& r) { taken = r; });
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].width, 8);
    EXPECT_EQ(taken[0].height, 3);
}

TEST(KeyCodesTest, VirtualKeysAndCharacters) {
    EXPECT_EQ(platform::virtualKeyOf(SDLK_a), 'A');
    EXPECT_EQ(platform::virtualKeyOf(SDLK_7), '7');
    EXPECT_EQ(platform::virtualKeyOf(SDLK_LEFT), 37);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_DOWN), 40);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_F1), 112);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_F3), 114);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_ESCAPE), 27);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_RETURN), 13);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_KP_ENTER), 13);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_BACKSPACE), 8);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_KP_5), 101);
    EXPECT_EQ(platform::virtualKeyOf(SDLK_VOLUMEUP), 0);

    EXPECT_EQ(platform::characterOf(SDLK_a, false, false), 'a');
    EXPECT_EQ(platform::characterOf(SDLK_a, true, false), 'A');
    EXPECT_EQ(platform::characterOf(SDLK_a, true, true), 'a');
    EXPECT_EQ(platform::characterOf(SDLK_ESCAPE, false, false), 27);
    EXPECT_EQ(platform::characterOf(SDLK_LEFT, false, false), 0);
    EXPECT_TRUE(platform::isTextKey(SDLK_a));
    EXPECT_TRUE(platform::isTextKey(SDLK_KP_7));
    EXPECT_FALSE(platform::isTextKey(SDLK_RETURN));
    EXPECT_FALSE(platform::isTextKey(SDLK_F2));
}

TEST_F(WindowTest, CreationSendsTheOpeningMessagesInOrder) {
    Recorder r;
    Window* w = topLevel(r);
    ASSERT_NE(w, nullptr);
    ASSERT_GE(r.log.size(), 4u);
    EXPECT_EQ(r.log[0].message, msg::ncCreate);
    EXPECT_EQ(r.log[1].message, msg::create);
    EXPECT_EQ(r.log[2].message, msg::size);
    EXPECT_EQ(r.log[2].lParam, intptr_t(800) | (intptr_t(600) << 16));
    EXPECT_EQ(r.log[3].message, msg::move);
    EXPECT_EQ(msg::pointX(r.log[3].lParam), 10);
    EXPECT_EQ(msg::pointY(r.log[3].lParam), 20);
    uint32_t id = w->getId();
    EXPECT_EQ(Window::fromId(id), w);
    r.log.clear();
    w->destroy();
    EXPECT_EQ(Window::fromId(id), nullptr);
    ASSERT_EQ(r.log.size(), 2u);
    EXPECT_EQ(r.log[0].message, msg::destroy);
    EXPECT_EQ(r.log[1].message, msg::ncDestroy);
}

TEST_F(WindowTest, MouseGoesToTheChildUnderThePointerOrTheCaptureHolder) {
    Recorder top, child;
    Window* w = topLevel(top);
    ASSERT_NE(w, nullptr);
    Window::Options childOptions;
    childOptions.child = true;
    Window* c = Window::create(w, 100, 50, 200, 100, childOptions, &child);
    ASSERT_NE(c, nullptr);
    c->show(true);
    uint32_t sid = sdlId(w);

    push(button(sid, true, SDL_BUTTON_LEFT, 110, 60));
    push(button(sid, true, SDL_BUTTON_LEFT, 20, 30));
    pump();
    auto downs = child.of(msg::leftButtonDown);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(msg::pointX(downs[0].lParam), 10);
    EXPECT_EQ(msg::pointY(downs[0].lParam), 10);
    ASSERT_EQ(top.of(msg::leftButtonDown).size(), 1u);

    // While the child holds the capture, a move far outside still reaches it,
    // with signed coordinates.
    c->setCapture();
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.windowID = sid;
    move.motion.x = 5;
    move.motion.y = 5;
    move.motion.state = SDL_BUTTON_LMASK;
    push(move);
    pump();
    auto moves = child.of(msg::mouseMove);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(msg::pointX(moves[0].lParam), -95);
    EXPECT_EQ(msg::pointY(moves[0].lParam), -45);
    EXPECT_EQ(moves[0].wParam & msg::mkLeft, msg::mkLeft);
    EXPECT_EQ(child.of(msg::setCursor).size(), 1u);

    // Losing focus takes the capture away and tells the holder.
    SDL_Event lost{};
    lost.type = SDL_WINDOWEVENT;
    lost.window.windowID = sid;
    lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    push(lost);
    pump();
    EXPECT_EQ(child.of(msg::captureChanged).size(), 1u);
    EXPECT_EQ(Window::getCapture(), nullptr);
    auto activations = top.of(msg::activate);
    ASSERT_EQ(activations.size(), 1u);
    EXPECT_EQ(activations[0].wParam, msg::activeInactive);
    w->destroy();
}

TEST_F(WindowTest, KeysGoToTheFocusWindowAndControlCharactersFollowTheirKeys) {
    Recorder top, child;
    Window* w = topLevel(top);
    Window::Options childOptions;
    childOptions.child = true;
    Window* c = Window::create(w, 0, 0, 800, 600, childOptions, &child);
    ASSERT_TRUE(c && c->setFocus());
    uint32_t sid = sdlId(w);

    push(key(sid, true, SDLK_a, KMOD_NONE));
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = sid;
    std::strcpy(text.text.text, "a\xc3\xa9"); // "aé": two characters of the code page
    push(text);
    push(key(sid, true, SDLK_ESCAPE, KMOD_NONE));
    push(key(sid, true, SDLK_LCTRL, KMOD_LCTRL));
    push(key(sid, true, SDLK_b, KMOD_LCTRL));
    text.text.text[0] = 'b';
    text.text.text[1] = 0;
    push(text); // with control held this is not input a second time
    pump();
    EXPECT_TRUE(top.of(msg::keyDown).empty());
    auto downs = child.of(msg::keyDown);
    ASSERT_EQ(downs.size(), 4u);
    EXPECT_EQ(downs[0].wParam, uintptr_t('A'));
    EXPECT_EQ(downs[1].wParam, uintptr_t(27));
    EXPECT_EQ(downs[2].wParam, uintptr_t(17));
    EXPECT_EQ(downs[3].wParam, uintptr_t('B'));
    auto chars = child.of(msg::character);
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].wParam, uintptr_t('a'));
    EXPECT_EQ(chars[1].wParam, uintptr_t(0xE9));
    EXPECT_EQ(chars[2].wParam, uintptr_t(27));
    // Each key message carries the modifiers it was made with, a key's the character it gives.
    EXPECT_EQ(msg::keyModifiers(downs[0].lParam), 0u);
    EXPECT_EQ(msg::keyCharacter(downs[0].lParam), 'a');
    EXPECT_EQ(msg::keyModifiers(downs[3].lParam), msg::mkControl);
    EXPECT_EQ(msg::keyCharacter(downs[3].lParam), 'b');
    w->destroy();
}

// Every key-up that goes out has its key-down before it: keys held across Alt, and Alt itself,
// whose key-down belongs to the window manager.
TEST_F(WindowTest, KeyUpsPairWithDeliveredKeyDownsAcrossAlt) {
    Recorder r;
    Window* w = topLevel(r);
    ASSERT_NE(w, nullptr);
    uint32_t sid = sdlId(w);
    push(key(sid, true, SDLK_a, KMOD_NONE));
    push(key(sid, true, SDLK_LALT, KMOD_LALT));
    push(key(sid, true, SDLK_b, KMOD_LALT)); // the window manager's
    push(key(sid, false, SDLK_a, KMOD_LALT));
    push(key(sid, false, SDLK_b, KMOD_LALT));
    push(key(sid, false, SDLK_LALT, KMOD_NONE));
    pump();
    auto downs = r.of(msg::keyDown);
    auto ups = r.of(msg::keyUp);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].wParam, uintptr_t('A'));
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].wParam, uintptr_t('A'));
    w->destroy();
}

// Presses on the letterbox bars never reach the window; a release there of a press on the canvas
// arrives on the canvas's edge.
TEST_F(WindowTest, LetterboxBarsDropPressesAndClampReleases) {
    Recorder r;
    Window* w = topLevel(r);
    ASSERT_NE(w, nullptr);
    w->setSize(1600, 600); // the 800 x 600 canvas sits at 400..1199 with bars either side
    uint32_t sid = sdlId(w);
    struct Press {
        int downX;
        int upX;
        int expectDown; // canvas x of the delivered press, or -1 for none
        int expectUp;   // canvas x of the delivered release, or -1 for none
    } presses[] = {
        {100, 100, -1, -1},    // left bar
        {1500, 800, -1, -1},   // right bar, released over the canvas
        {800, 1590, 400, 799}, // on the canvas, released on the right bar
        {401, 10, 1, 0},       // ... and on the left one
    };
    for (const Press& p : presses) {
        r.log.clear();
        push(button(sid, true, SDL_BUTTON_LEFT, p.downX, 300));
        push(button(sid, false, SDL_BUTTON_LEFT, p.upX, 300));
        pump();
        auto downs = r.of(msg::leftButtonDown);
        auto ups = r.of(msg::leftButtonUp);
        ASSERT_EQ(downs.size(), p.expectDown < 0 ? 0u : 1u) << p.downX;
        ASSERT_EQ(ups.size(), p.expectUp < 0 ? 0u : 1u) << p.downX;
        if (p.expectDown >= 0) {
            EXPECT_EQ(msg::pointX(downs[0].lParam), p.expectDown);
            EXPECT_EQ(msg::pointX(ups[0].lParam), p.expectUp);
            EXPECT_EQ(msg::pointY(ups[0].lParam), 300);
        }
    }
    w->destroy();
}

TEST_F(WindowTest, ThreadsPostMessagesAndPaintsThatTheMainThreadDelivers) {
    Recorder r;
    Window* w = topLevel(r);
    ASSERT_NE(w, nullptr);
    uint32_t id = w->getId();
    r.log.clear();
    std::thread other([id] {
        platform::postMessage(id, msg::user + 7, 3, -4);
        Window::invalidate(id, true);
        platform::postMessage(id + 1000, msg::user + 8, 0, 0); // no such window: dropped
    });
    other.join();
    pump();
    auto posted = r.of(msg::user + 7);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, 3u);
    EXPECT_EQ(posted[0].lParam, -4);
    EXPECT_EQ(r.of(msg::paint).size(), 1u);
    EXPECT_FALSE(w->needsPaint());

    // The destroy request destroys the window from the main thread.
    std::thread([id] { platform::postMessage(id, msg::destroyRequest, 0, 0); }).join();
    pump();
    EXPECT_EQ(Window::fromId(id), nullptr);
}

TEST_F(WindowTest, FramesDrawnOnAnotherThreadArePresentedByTheMainThread) {
    Recorder r;
    Window* w = topLevel(r);
    ASSERT_NE(w, nullptr);
    auto fb = w->getFrameBuffer();
    ASSERT_TRUE(fb);
    EXPECT_EQ(fb->getWidth(), 800);
    std::atomic<bool> done{false};
    std::thread drawer([&] {
        std::vector<uint32_t> block(64 * 64, 0xFF336699u);
        for (int i = 0; i < 200; ++i)
            fb->copyFrom(block.data(), 64, 64, 64, (i * 7) % 736, (i * 3) % 536, nullptr);
        done = true;
    });
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && std::chrono::steady_clock::now() < limit)
        platform::pumpMessages(1);
    drawer.join();
    platform::pumpMessages(0);
    std::vector<PixelRect> left;
    fb->takeChanges([&](const uint32_t*, const std::vector<PixelRect>& rects) { left = rects; });
    EXPECT_TRUE(left.empty()); // the main thread took every change
    EXPECT_EQ(fb->pixelAt(0, 0), 0xFF336699u);
    w->destroy();
    // A buffer outliving its window takes drawing without presenting it.
    std::vector<uint32_t> one(1, 5);
    fb->copyFrom(one.data(), 1, 1, 1, 0, 0, nullptr);
    EXPECT_EQ(fb->pixelAt(0, 0), 5u);
    platform::pumpMessages(0);
}

std::vector<std::string> boxes;
void observeBox(const std::string& title, const std::string& text) {
    boxes.push_back(title + "|" + text);
}

TEST_F(WindowTest, MessageBoxesReachTheObserverOrStandardErrorWithoutADisplay) {
    platform::setMessageBoxObserver(observeBox);
    platform::showMessageBox("Error", "File missing");
    platform::setMessageBoxObserver(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error|File missing");
    testing::internal::CaptureStderr();
    platform::showMessageBox("Lumora Error", "Headless");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Lumora Error: Headless"),
              std::string::npos);
}

} // namespace
