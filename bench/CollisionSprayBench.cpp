// The collision sprays' turned frames: filling the shared cache (each of the
// 20 frames x 7 turns made once, in the area-weighted mode) and a frame of
// the game with a spray on each of twelve tracks once the cache is full. The
// latter must stay under 1 ms so twelve streams cost little of a 40 ms frame.
#include "engine/AnimateSprite.h"
#include "game/WaterCollisionSprite.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "gfx/Rectangle.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using lang::adopt;
using lang::Ref;
using ripple::WaterCollisionSprite;

namespace {

constexpr int cell = 48;

// A strip of 20 bursts like the game's: soft-edged, partly transparent.
Ref<engine::AnimateSprite> prototype() {
    Ref<lang::Image> strip = adopt(new lang::Image(cell * 20, cell, 1, false));
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell * 20; ++x) {
            int cx = x % cell - cell / 2, cy = y - cell / 2;
            int d2 = cx * cx + cy * cy;
            uint32_t alpha = d2 < 400 ? 255 - d2 * 255 / 400 : 0;
            strip->getPixels()[y * cell * 20 + x] = alpha << 24 | 0xC0E0FFu;
        }
    strip->setHasAlpha(true);
    Ref<engine::AnimateSprite> sprite = adopt(new engine::AnimateSprite());
    sprite->setImage(strip.get(), 20, 1);
    return sprite;
}

// Twelve sprays, as on twelve tracks, each turned its own way.
std::vector<Ref<WaterCollisionSprite>> twelveSprays() {
    std::vector<Ref<WaterCollisionSprite>> sprays;
    for (int i = 0; i < 12; ++i) {
        Ref<WaterCollisionSprite> s = adopt(new WaterCollisionSprite());
        s->init();
        s->setActive(true);
        s->setCentre(40 + 64 * i, 300);
        s->setAngle(-0.5 + 0.09 * i);
        sprays.push_back(s);
    }
    return sprays;
}

void BM_CollisionCacheFirstFill(benchmark::State& state) {
    Ref<engine::AnimateSprite> proto = prototype();
    WaterCollisionSprite::setPrototype(proto.get());
    Ref<lang::Image> target = adopt(new lang::Image(200, 200, 1, false));
    Ref<lang::Graphics> g = adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(target.get())));
    // One angle in each of the 7 turn slots (-24 to +24 degrees).
    const double angles[] = {-0.5, -0.4, -0.28, 0.0, 0.14, 0.28, 0.42};
    for (auto _ : state) {
        WaterCollisionSprite::clearCache();
        for (double a : angles) {
            // A new spray starts on frame 0 and runs through frame 19.
            Ref<WaterCollisionSprite> spray = adopt(new WaterCollisionSprite());
            spray->init();
            spray->setActive(true);
            spray->setCentre(100, 100);
            spray->setAngle(a);
            lang::Rectangle rect;
            spray->paint(*g);
            for (int f = 1; f < WaterCollisionSprite::frameCount; ++f) {
                spray->update(f, rect);
                spray->paint(*g);
            }
        }
    }
    state.counters["rotations"] = WaterCollisionSprite::rotationCount();
}
BENCHMARK(BM_CollisionCacheFirstFill)->Unit(benchmark::kMillisecond);

void BM_TwelveSpraysFrame(benchmark::State& state) {
    Ref<engine::AnimateSprite> proto = prototype();
    WaterCollisionSprite::setPrototype(proto.get());
    WaterCollisionSprite::clearCache();
    std::vector<Ref<WaterCollisionSprite>> sprays = twelveSprays();
    Ref<lang::Image> target = adopt(new lang::Image(800, 600, 1, false));
    Ref<lang::Graphics> g = adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(target.get())));
    int time = 0;
    auto frame = [&] {
        ++time;
        for (auto& s : sprays) {
            lang::Rectangle rect;
            s->update(time, rect);
            s->paint(*g);
        }
    };
    // Fill the cache first: every frame of every slot in use.
    for (int i = 0; i < 2 * WaterCollisionSprite::frameCount; ++i)
        frame();
    int filled = WaterCollisionSprite::rotationCount();
    for (auto _ : state)
        frame();
    state.counters["new_rotations"] = WaterCollisionSprite::rotationCount() - filled;
}
BENCHMARK(BM_TwelveSpraysFrame)->Unit(benchmark::kMicrosecond);

} // namespace
