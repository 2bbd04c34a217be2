#include "gfx/Color.h"
#include "gfx/Component.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"
#include "platform/FrameBuffer.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "support/Eventually.h"
#include "support/InputInjection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using lang::adopt;
using lang::Color;
using lang::Component;
using lang::Event;
using lang::Frame;
using lang::Rectangle;
using lang::Ref;

namespace {

// Counts what reaches it on the main thread; paints draw a stripe so the
// main thread's drawing meets the render thread's on the same surface.
class Canvas : public Component {
public:
    bool mouseDown(Event*, int, int) override {
        ++clicks;
        return true;
    }
    bool keyDown(Event*, int) override {
        ++keys;
        return true;
    }
    // No background fill: the render thread's frames stay as drawn.
    void update(lang::Graphics* g) override { paint(g); }
    void paint(lang::Graphics* g) override {
        g->setColor(Color(0, 128, 0));
        g->fillRect(0, 0, 800, 8);
        ++paints;
    }
    std::atomic<int> clicks{0};
    std::atomic<int> keys{0};
    std::atomic<int> paints{0};
};

// The render thread presents frames through the window's graphics without a
// pause, changes the cursor and asks for repaints, while the main thread keeps
// taking input and painting. Neither starves, nothing races, and the frames
// reach the frame buffer; at the end the window goes away under the render
// thread's feet.
TEST(ComponentThreadTest, WindowStaysResponsiveWhileAnotherThreadPresentsThroughGraphics) {
    ASSERT_TRUE(platform::initVideo());
    lang::Cursor::createProgramCursors();
    Ref<Frame> frame = adopt(new Frame());
    ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
    Ref<Canvas> canvas = adopt(new Canvas());
    ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
    canvas->setVisible(true);
    frame->setVisible(true);
    canvas->requestFocus();
    auto fb = frame->getWindow()->getFrameBuffer();
    ASSERT_TRUE(fb);
    testsupport::InputInjector input(frame->getWindow());

    Ref<lang::Image> back = adopt(new lang::Image(800, 600, 0, false));
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::atomic<uint32_t> lastColour{0};
    std::thread render([&] {
        // Looked up here: creating them at start made them for every thread.
        lang::Cursor* cursors[2] = {lang::Cursor::getProgramCursor(104),
                                    lang::Cursor::getSystemCursor(lang::Cursor::System::hand)};
        for (int n = 1; !stop.load(); ++n) {
            Ref<lang::Graphics> g = canvas->getGraphics();
            if (!g)
                continue; // the window is gone
            uint32_t colour = 0xFF000000u | (uint32_t(n) * 2654435761u >> 8);
            std::fill(back->getPixels(), back->getPixels() + 64 * 800, colour);
            g->drawImage(back.get(), 0, 100 + n % 400); // a band of the back buffer
            g->setColor(Color(colour));
            g->fillRect(700, 500, 50, 50);
            g->drawLine(0, 599, 799, 590);
            g->dispose();
            lastColour.store(colour);
            if (n % 16 == 0) {
                canvas->setCursor(cursors[(n / 16) % 2]);
                canvas->repaint();
            }
            ++frames;
        }
    });

    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int sent = 0;
    while ((canvas->clicks.load() < 100 || canvas->keys.load() < 100 || frames.load() < 300 ||
            canvas->paints.load() < 5) &&
           std::chrono::steady_clock::now() < limit) {
        if (sent < 100) {
            if (input.press(testsupport::Button::left, 10, 10) &&
                input.keyDown(testsupport::Key::left))
                ++sent;
        }
        platform::pumpMessages(1);
    }
    EXPECT_GE(canvas->clicks.load(), 100);
    EXPECT_GE(canvas->keys.load(), 100);
    EXPECT_GE(frames.load(), 300);
    EXPECT_GE(canvas->paints.load(), 5);

    // The last frame drawn is what the frame buffer holds.
    stop = true;
    render.join();
    platform::pumpMessages(0);
    EXPECT_EQ(fb->pixelAt(720, 520), lastColour.load());

    // Drawing goes on while the main thread destroys the window.
    stop = false;
    frames = 0;
    std::thread late([&] {
        Ref<lang::Graphics> g = canvas->getGraphics();
        for (int n = 0; !stop.load(); ++n) {
            if (g)
                g->fillRect(n % 700, 0, 100, 100);
            ++frames;
        }
    });
    EXPECT_TRUE(testsupport::eventually([&] { return frames.load() >= 50; }));
    frame->postDestroy();
    platform::pumpMessages(0);
    EXPECT_EQ(frame->getWindow(), nullptr);
    stop = true;
    late.join();
    canvas->setCursor(nullptr);
    lang::Cursor::releaseAll();
    platform::quitVideo();
}

} // namespace
