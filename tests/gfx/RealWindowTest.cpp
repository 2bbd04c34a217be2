#include "gfx/Color.h"
#include "gfx/Component.h"
#include "gfx/Frame.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Frame;
using lang::Image;
using lang::Rectangle;
using lang::Ref;

namespace {

// Runs only on a real X server, started by tests/real-window.sh.
bool realWindowWanted() {
    const char* wanted = std::getenv("RIPPLE_REAL_WINDOW");
    return wanted && std::string(wanted) == "1" && std::getenv("DISPLAY");
}

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0;
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    // The top-left corner of the first run of `w` pixels of `colour`.
    bool find(uint32_t colour, int w, int& fx, int& fy) const {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x + w <= width; ++x)
                if (at(x, y) == colour && at(x + w - 1, y) == colour &&
                    at(x + w / 2, y) == colour) {
                    fx = x;
                    fy = y;
                    return true;
                }
        return false;
    }
};

Screenshot takeScreenshot() {
    Screenshot shot;
    const char* path = "/tmp/ripple-real-window.rgb";
    std::string size;
    if (FILE* p = popen("xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2}'", "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, p))
            size = line;
        pclose(p);
    }
    if (std::sscanf(size.c_str(), "%dx%d", &shot.width, &shot.height) != 2)
        return Screenshot{};
    std::string command = std::string("import -silent -window root -depth 8 rgb:") + path;
    if (std::system(command.c_str()) != 0)
        return Screenshot{};
    shot.rgb.resize(size_t(shot.width) * shot.height * 3);
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return Screenshot{};
    size_t got = std::fread(shot.rgb.data(), 1, shot.rgb.size(), f);
    std::fclose(f);
    std::remove(path);
    if (got != shot.rgb.size())
        return Screenshot{};
    return shot;
}

// Keeps the main thread handling messages and looks at the screen until it
// shows what `check` wants; the window manager and the server take their time.
// The bound is reached only when something is broken.
template <class Check>
Screenshot waitForScreen(Check check) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    Screenshot shot;
    while (std::chrono::steady_clock::now() < limit) {
        platform::pumpMessages(50);
        shot = takeScreenshot();
        if (shot.width > 0 && check(shot))
            break;
    }
    return shot;
}

constexpr uint32_t red = 0xFFFF0000u;
constexpr uint32_t green = 0xFF00FF00u;
constexpr uint32_t blue = 0xFF0000FFu;
constexpr uint32_t white = 0xFFFFFFFFu;
constexpr uint32_t yellow = 0xFFFFFF00u;

TEST(RealWindowTest, PresentsAPatternAndSwitchesFullScreenAndBack) {
    if (!realWindowWanted())
        GTEST_SKIP() << "needs tests/real-window.sh";
    ASSERT_TRUE(platform::initVideo());
    Ref<Frame> frame = adopt(new Frame());
    ASSERT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
    Ref<lang::Component> canvas = adopt(new lang::Component());
    ASSERT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
    canvas->setVisible(true);
    frame->setVisible(true);
    platform::pumpMessages(100);

    // Four quadrants, drawn from another thread as the render thread does.
    Ref<Image> pattern = adopt(new Image(800, 600, 0, false));
    uint32_t* px = pattern->getPixels();
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            px[y * 800 + x] = y < 300 ? (x < 400 ? red : green) : (x < 400 ? blue : white);
    std::thread([&] {
        Ref<lang::Graphics> g = canvas->getGraphics();
        ASSERT_TRUE(g);
        g->drawImage(pattern.get(), 0, 0);
        g->dispose();
    }).join();
    int x0 = 0, y0 = 0;
    auto windowed = [&](const Screenshot& s) {
        return s.find(red, 400, x0, y0) && s.at(x0 + 799, y0 + 599) == white;
    };
    Screenshot shot = waitForScreen(windowed);
    ASSERT_TRUE(windowed(shot));
    EXPECT_EQ(shot.at(x0 + 399, y0 + 299), red);
    EXPECT_EQ(shot.at(x0 + 400, y0), green);
    EXPECT_EQ(shot.at(x0 + 799, y0 + 299), green);
    EXPECT_EQ(shot.at(x0, y0 + 300), blue);
    EXPECT_EQ(shot.at(x0 + 799, y0 + 599), white);
    EXPECT_NE(shot.at(x0 + 800, y0 + 599), white); // nothing drawn beyond the canvas

    // A later small change is uploaded on its own; the rest stays.
    std::thread([&] {
        Ref<lang::Graphics> g = canvas->getGraphics();
        ASSERT_TRUE(g);
        EXPECT_TRUE(g->instanceOf("GraphicsW"));
        g->setColor(lang::Color(255, 255, 0));
        g->fillRect(380, 280, 40, 40);
        g->dispose();
    }).join();
    shot = waitForScreen([&](const Screenshot& s) { return s.at(x0 + 400, y0 + 300) == yellow; });
    EXPECT_EQ(shot.at(x0 + 380, y0 + 280), yellow);
    EXPECT_EQ(shot.at(x0 + 379, y0 + 280), red);
    EXPECT_EQ(shot.at(x0 + 420, y0 + 299), green);
    EXPECT_EQ(shot.at(x0 + 399, y0 + 320), blue);

    frame->setFullScreen(true, false);
    EXPECT_TRUE(frame->fullScreen);
    // The canvas fills the screen's width or height, its aspect kept.
    platform::PixelRect box;
    shot = waitForScreen([&](const Screenshot& s) {
        box = platform::Window::letterbox(s.width, s.height, 800, 600);
        return s.at(box.x + box.width * 3 / 4, box.y + box.height * 3 / 4) == white &&
               s.at(box.x + 1, box.y + box.height - 2) == blue;
    });
    EXPECT_EQ(shot.at(box.x + box.width / 4, box.y + box.height / 4), red);
    EXPECT_EQ(shot.at(box.x + box.width * 3 / 4, box.y + box.height * 3 / 4), white);
    EXPECT_EQ(shot.at(box.x + box.width - 2, box.y + 2), green);
    EXPECT_EQ(frame->sizeRef().width, 800); // the logical canvas keeps its size

    frame->setFullScreen(false, false);
    EXPECT_FALSE(frame->fullScreen);
    shot = waitForScreen(windowed);
    EXPECT_TRUE(windowed(shot));
    EXPECT_NE(shot.at(box.x + 1, box.y + box.height - 2),
              blue); // the screen corner is desktop again

    frame->getWindow()->destroy();
    platform::quitVideo();
}

} // namespace
