// The game's physics and its ball drawing, per frame. Every frame ticks
// twelve tracks (target: under 0.2 ms, half a percent of the 40 ms frame) and
// turns and paints twelve rolling balls (target: under 2 ms).
#include "engine/AnimateSprite.h"
#include "game/RippleBall.h"
#include "game/RollingSound.h"
#include "game/Track.h"
#include "game/WaterPool.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "gfx/Rectangle.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using lang::adopt;
using lang::Ref;

namespace {

constexpr int trackCount = 12;
constexpr int trackLength = 560;
constexpr int cell = 48;

// Twelve tracks of the game's shape (straight, 60 apart), each with a ball
// and water, sharing the game's two pools of 150 pieces.
struct Field {
    Field() : paths(trackCount) {
        for (int i = 0; i < 150; ++i) {
            pieces.push_back(adopt(new engine::AnimateSprite()));
            pool.add(pieces.back().get(), false);
            pieces.push_back(adopt(new engine::AnimateSprite()));
            pool.add(pieces.back().get(), true);
        }
        for (int t = 0; t < trackCount; ++t) {
            std::vector<ripple::PathPoint>& path = paths[static_cast<size_t>(t)];
            path.resize(trackLength);
            for (int i = 0; i < trackLength; ++i) {
                path[static_cast<size_t>(i)].x = static_cast<int16_t>(70 + 60 * t);
                path[static_cast<size_t>(i)].y = static_cast<int16_t>(20 + i);
                path[static_cast<size_t>(i)].direction = 0.001 * i;
            }
            tracks.push_back(std::make_unique<ripple::Track>(t));
            ripple::Track::Parts parts;
            parts.ball = adopt(new ripple::RippleBall());
            parts.rolling = &rolling;
            parts.pool = &pool;
            tracks.back()->setParts(parts);
            tracks.back()->setLength(path.data(), trackLength);
            tracks.back()->setLayoutPoint();
        }
    }

    // One frame: every track's tick and every ball's own tick. Balls that
    // leave are put back, and the water is pressed and released in turn, so
    // every track keeps a ball, a live stream and released segments.
    void frame() {
        ++time;
        for (auto& track : tracks) {
            if (track->getState() != ripple::Track::rollingDown) {
                track->assignItem(track->getIndex() % 8);
                track->setState(ripple::Track::rollingDown);
                track->getBall()->distance = 200;
                track->getBall()->v = 3;
            }
            if ((time + track->getIndex()) % 9 == 0)
                track->water(false);
            else
                track->water(true);
            benchmark::DoNotOptimize(track->tick());
            lang::Rectangle dirty;
            track->getBall()->update(time, dirty);
        }
    }

    std::vector<std::vector<ripple::PathPoint>> paths;
    std::vector<Ref<engine::AnimateSprite>> pieces;
    ripple::WaterPool pool;
    ripple::RollingSound rolling;
    std::vector<std::unique_ptr<ripple::Track>> tracks;
    int time = 0;
};

void BM_TwelveBusyTracksTick(benchmark::State& state) {
    Field field;
    for (int i = 0; i < 50; ++i)
        field.frame();
    for (auto _ : state)
        field.frame();
}
BENCHMARK(BM_TwelveBusyTracksTick);

// A ball sheet of 63 x 8 cells of 48 x 48: shaded discs with soft rims.
Ref<lang::Image> ballSheet() {
    auto sheet = adopt(new lang::Image(63 * cell, 8 * cell, 1, false));
    uint32_t* pixels = sheet->getPixels();
    for (int y = 0; y < 8 * cell; ++y)
        for (int x = 0; x < 63 * cell; ++x) {
            double dx = x % cell + 0.5 - cell / 2.0, dy = y % cell + 0.5 - cell / 2.0;
            double coverage = std::fmax(0.0, std::fmin(1.0, cell / 2.0 - std::hypot(dx, dy)));
            auto alpha = static_cast<uint32_t>(coverage * 255);
            pixels[y * 63 * cell + x] = alpha << 24 | static_cast<uint32_t>(x * 7 % 256) << 8 |
                                        static_cast<uint32_t>(y / cell * 30);
        }
    sheet->setHasAlpha(true);
    return sheet;
}

// Twelve rolling balls turned to a new direction and cell each frame, then
// painted into the 800 x 600 back buffer.
void BM_TwelveRollingBallsDrawn(benchmark::State& state) {
    auto sheet = ballSheet();
    std::vector<Ref<ripple::RippleBall>> balls;
    for (int i = 0; i < trackCount; ++i) {
        balls.push_back(adopt(new ripple::RippleBall()));
        balls.back()->setImage(sheet.get(), 63, 8);
        balls.back()->setColour(i % 8);
        balls.back()->setCentre(70 + 60 * i, 300);
        balls.back()->setAnimState(ripple::RippleBall::rolling);
        balls.back()->v = 3;
    }
    auto back = adopt(new lang::Image(800, 600, 1, false));
    auto g = adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(back.get())));
    int time = 0;
    for (auto _ : state) {
        ++time;
        for (auto& ball : balls) {
            ball->direction = 0.05 * time + ball->getColour();
            lang::Rectangle dirty;
            ball->update(time, dirty);
            ball->paint(*g);
        }
    }
}
BENCHMARK(BM_TwelveRollingBallsDrawn);

} // namespace
