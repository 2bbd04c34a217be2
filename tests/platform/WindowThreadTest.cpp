#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowMessages.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using platform::Window;
namespace msg = platform::msg;

namespace {

class Counter : public platform::WindowHandler {
public:
    intptr_t handleMessage(Window* w, uint32_t m, uintptr_t wp, intptr_t lp) override {
        if (m == msg::user + 1)
            ++pings;
        if (m == msg::leftButtonDown)
            ++clicks;
        return w->defaultProc(m, wp, lp);
    }
    std::atomic<int> pings{0};
    std::atomic<int> clicks{0};
};

// A render thread presents frames without pause while the main thread keeps
// taking input and posted messages: neither starves, and nothing races.
TEST(WindowThreadTest, MainThreadStaysResponsiveWhileAnotherThreadPresents) {
    ASSERT_TRUE(platform::initVideo());
    Counter counter;
    Window* w = Window::create(nullptr, 0, 0, 320, 240, Window::Options{}, &counter);
    ASSERT_NE(w, nullptr);
    w->show(true);
    auto fb = w->getFrameBuffer();
    uint32_t id = w->getId();
    uint32_t sdlId = w->getSystemId();

    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread render([&] {
        std::vector<uint32_t> tile(32 * 32);
        for (int n = 0; !stop.load(); ++n) {
            std::fill(tile.begin(), tile.end(), 0xFF000000u | uint32_t(n * 2654435761u));
            fb->copyFrom(tile.data(), 32, 32, 32, (n * 13) % 288, (n * 7) % 208, nullptr);
            uint32_t* px = fb->lockPixels();
            px[n % (320 * 240)] ^= 0x00FFFFFFu;
            platform::PixelRect one{n % 320, (n / 320) % 240, 1, 1};
            fb->unlockPixels(&one, 1);
            Window::invalidate(id, false);
            ++frames;
        }
    });
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i)
            platform::postMessage(id, msg::user + 1, 0, 0);
    });

    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int clicksSent = 0;
    while ((counter.pings.load() < 200 || counter.clicks.load() < 50 || frames.load() < 500) &&
           std::chrono::steady_clock::now() < limit) {
        if (clicksSent < 50) {
            SDL_Event e{};
            e.type = SDL_MOUSEBUTTONDOWN;
            e.button.windowID = sdlId;
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = 5;
            e.button.y = 5;
            if (SDL_PushEvent(&e) == 1)
                ++clicksSent;
        }
        platform::pumpMessages(1);
    }
    stop = true;
    render.join();
    poster.join();
    platform::pumpMessages(0);
    EXPECT_EQ(counter.pings.load(), 200);
    EXPECT_EQ(counter.clicks.load(), 50);
    EXPECT_GE(frames.load(), 500);
    w->destroy();
    platform::quitVideo();
}

} // namespace
