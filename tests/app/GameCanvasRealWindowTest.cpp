#include "app/GameCanvas2.h"
#include "engine/AnimateSprite.h"
#include "gfx/Frame.h"
#include "gfx/Image.h"
#include "gfx/PngEncoder.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "support/IoTestSupport.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using lang::adopt;
using lang::Ref;
using lang::String;

namespace {

constexpr uint32_t topRow = 0xFF123456u;

std::vector<uint8_t> backgroundPng() {
    std::vector<uint32_t> px(800 * 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            px[size_t(y) * 800 + x] =
                y == 0 ? topRow
                       : 0xFF000040u | uint32_t(x * 255 / 800) << 16 | uint32_t(y * 255 / 600) << 8;
    return lang::PngEncoder::encode(px.data(), 800, 600, true);
}

// Four opaque 32 x 32 frames of different colours.
std::vector<uint8_t> stripPng() {
    const uint32_t colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u, 0xFFFFFFFFu};
    std::vector<uint32_t> px(128 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x)
            px[size_t(y) * 128 + x] = colours[x / 32];
    return lang::PngEncoder::encode(px.data(), 128, 32, true);
}

// Sends the ball across the screen once the scene is loaded, as a game's
// scene set-up would.
class MovingCanvas : public ripple::GameCanvas2 {
protected:
    void sceneLoaded(engine::DataLoader*) override {
        if (auto* ball = static_cast<engine::AnimateSprite*>(getSprite(String("ball"))))
            ball->moveTo(600, 400, 50);
    }
};

TEST(RealWindowTest, GameCanvasAnimatesASceneLoadedFromADataFile) {
    if (!testsupport::realWindowWanted())
        GTEST_SKIP() << "needs tests/real-window.sh";
    iotest::TempDir dir;
    dir.write("back.png", backgroundPng());
    dir.write("strip.png", stripPng());
    dir.write("main.txt", "<images>\nback back.png\nstrip strip.png\n"
                          "<sprites>\nbackground Sprite back 0 0\n"
                          "ball AnimateSprite strip 100 100 4 1 0 2 0 1\n<end>\n");

    ASSERT_TRUE(platform::initVideo());
    Ref<lang::Frame> frame = adopt(new lang::Frame());
    ASSERT_TRUE(frame->create(nullptr, lang::Rectangle(0, 0, 800, 600)));
    Ref<MovingCanvas> canvas = adopt(new MovingCanvas());
    ASSERT_TRUE(canvas->create(frame.get(), lang::Rectangle(0, 0, 800, 600)));
    canvas->setVisible(true);
    frame->setVisible(true);
    platform::pumpMessages(100);

    canvas->configure(String(dir.path().c_str()), nullptr, String("main.txt"), -1);
    ASSERT_TRUE(canvas->prepare());
    ASSERT_TRUE(canvas->loadScene());
    EXPECT_TRUE(canvas->isLoaded());
    EXPECT_EQ(canvas->getProgressDone(), canvas->getProgressTotal());
    EXPECT_GT(canvas->getProgressTotal(), 0);
    canvas->start();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until)
        platform::pumpMessages(20);
    canvas->stop();
    // 25 updates a second, and the move of 50 updates is over.
    EXPECT_GE(canvas->getFrameCounter(), 60);
    auto* ball = static_cast<engine::AnimateSprite*>(canvas->getSprite(String("ball")));
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->getX(), 600);
    EXPECT_EQ(ball->getY(), 400);

    // What the screen shows is the back buffer, pixel for pixel.
    Ref<lang::Image> buffer = canvas->getBackBuffer();
    ASSERT_TRUE(buffer);
    const uint32_t* back = buffer->getPixels();
    int x0 = 0, y0 = 0;
    auto matches = [&](const testsupport::Screenshot& s) {
        if (!s.find(topRow, 800, x0, y0))
            return false;
        for (int y = 0; y < 600; y += 3)
            for (int x = 0; x < 800; x += 3)
                if (s.at(x0 + x, y0 + y) != (back[y * 800 + x] | 0xFF000000u))
                    return false;
        return true;
    };
    testsupport::Screenshot shot = testsupport::waitForScreen(matches);
    EXPECT_TRUE(matches(shot));
    EXPECT_NE(shot.at(x0 + 610, y0 + 410), shot.at(x0 + 110, y0 + 110)); // the ball, moved

    canvas->releaseResources();
    frame->getWindow()->destroy();
    platform::quitVideo();
}

} // namespace
