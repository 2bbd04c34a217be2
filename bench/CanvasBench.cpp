// The game canvas's frame cycle as the game runs it, on a window of the dummy
// video driver (the main thread's upload to the screen is not counted; under
// Xvfb it adds the cost of the changed rectangles only).
//
//  - StaticSceneRunning: the canvas started with its threads over a static
//    scene for 10 s; reports the process's CPU use as a share of one core.
//  - AnimatedFrame: one stepped frame (update, render, present) of 300
//    animated sprites, some moving, some fading; reports the share of the
//    40 ms frame budget.
//  - FullRepaint: the whole 800 x 600 canvas rendered and presented.
#include "app/GameCanvas2.h"
#include "engine/AnimateSprite.h"
#include "engine/Sprite.h"
#include "gfx/Frame.h"
#include "gfx/Image.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>

using lang::adopt;
using lang::Ref;
using lang::String;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

Ref<lang::Image> filled(int w, int h, uint32_t argb) {
    auto image = adopt(new lang::Image(w, h, 1, false));
    uint32_t* p = image->getPixels();
    for (int i = 0; i < w * h; ++i)
        p[i] = argb;
    image->setHasAlpha((argb >> 24) != 0xFF);
    return image;
}

// A strip of four 32 x 32 frames with a soft-edged disc, as animated game
// pieces are.
Ref<lang::Image> discStrip() {
    constexpr int Size = 32;
    auto image = adopt(new lang::Image(Size * 4, Size, 1, false));
    uint32_t* pixels = image->getPixels();
    for (int f = 0; f < 4; ++f)
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                int dx = 2 * x - Size + 1, dy = 2 * y - Size + 1;
                int d2 = dx * dx + dy * dy, r2 = (Size - 2) * (Size - 2);
                uint32_t a = d2 < r2 - 100 ? 255 : (d2 < r2 ? 128 : 0);
                uint32_t rgb = 0x203040u + 0x401000u * static_cast<uint32_t>(f);
                pixels[y * Size * 4 + f * Size + x] = a ? (a << 24) | rgb : 0;
            }
    image->setHasAlpha(true);
    return image;
}

// A frame with a canvas over its whole client area and an opaque background
// sprite, as the game's screens have.
struct Stage {
    Stage() {
        platform::initVideo();
        frame = adopt(new lang::Frame());
        frame->create(nullptr, lang::Rectangle(0, 0, Width, Height));
        canvas = adopt(new ripple::GameCanvas2());
        canvas->create(frame.get(), lang::Rectangle(0, 0, Width, Height));
        canvas->setVisible(true);
        platform::pumpMessages(0);
        Ref<engine::Sprite> background = adopt(new engine::Sprite());
        background->setImage(filled(Width, Height, 0xFF102030).get());
        canvas->addToScene(String("background"), background.get(), -1);
    }
    ~Stage() {
        canvas->releaseResources();
        if (frame->getWindow())
            frame->getWindow()->destroy();
        platform::quitVideo();
    }
    Ref<lang::Frame> frame;
    Ref<ripple::GameCanvas2> canvas;
};

void BM_StaticSceneRunning(benchmark::State& state) {
    Stage stage;
    Ref<engine::Sprite> still = adopt(new engine::Sprite());
    still->setImage(filled(64, 64, 0xFFFF8000).get());
    still->setLocation(300, 200);
    stage.canvas->addToScene(String("still"), still.get(), -1);
    stage.canvas->start();
    // The first frames paint the scene; the measure starts once it is still.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (auto _ : state) {
        double cpu0 = processSeconds();
        auto wall0 = std::chrono::steady_clock::now();
        int frames0 = stage.canvas->getFrameCounter();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        state.counters["core_percent"] = 100.0 * (processSeconds() - cpu0) / wall;
        state.counters["updates_per_second"] =
            double(stage.canvas->getFrameCounter() - frames0) / wall;
    }
    stage.canvas->stop();
}
BENCHMARK(BM_StaticSceneRunning)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AnimatedFrame(benchmark::State& state) {
    Stage stage;
    stage.canvas->setClearBackground(false);
    auto strip = discStrip();
    std::vector<Ref<engine::AnimateSprite>> sprites;
    for (int i = 0; i < 300; ++i) {
        Ref<engine::AnimateSprite> s = adopt(new engine::AnimateSprite());
        s->setImage(strip.get(), 4, 1);
        s->setAnimation(1, true);
        s->setFrameDelay(2 + i % 3, 0);
        s->setLocation((i * 53) % (Width - 32), (i * 37) % (Height - 32));
        stage.canvas->addToScene(String(), s.get(), -1);
        sprites.push_back(s);
    }
    stage.canvas->startStepped();
    stage.canvas->invalidateArea(nullptr);
    stage.canvas->stepFrame();
    int n = 0;
    double cpu0 = processSeconds();
    for (auto _ : state) {
        // Every tenth sprite sets off on a move and every twentieth fades,
        // in turn, so about a third of the scene is in motion at any time.
        for (int i = n % 10; i < 300; i += 10) {
            engine::AnimateSprite& s = *sprites[size_t(i)];
            if (s.getMoveSteps() == 0)
                s.moveTo((s.getX() + 97) % (Width - 32), (s.getY() + 61) % (Height - 32), 25);
            if (i % 20 == 0 && n % 40 == 0)
                s.fadeTo(s.getTargetAlpha() == 128 ? 40 : 128, 20);
        }
        stage.canvas->stepFrame();
        ++n;
    }
    double cpuPerFrame = (processSeconds() - cpu0) / double(state.iterations());
    state.counters["cpu_ms_per_frame"] = cpuPerFrame * 1000.0;
    state.counters["budget_percent"] = 100.0 * cpuPerFrame / 0.040;
    stage.canvas->stop();
}
BENCHMARK(BM_AnimatedFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_FullRepaint(benchmark::State& state) {
    Stage stage;
    auto strip = discStrip();
    for (int i = 0; i < 50; ++i) {
        Ref<engine::AnimateSprite> s = adopt(new engine::AnimateSprite());
        s->setImage(strip.get(), 4, 1);
        s->setLocation((i * 53) % (Width - 32), (i * 37) % (Height - 32));
        stage.canvas->addToScene(String(), s.get(), -1);
    }
    stage.canvas->startStepped();
    for (auto _ : state) {
        stage.canvas->invalidateArea(nullptr);
        stage.canvas->present();
    }
    stage.canvas->stop();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
