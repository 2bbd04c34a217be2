// One frame of the render cycle over a busy scene: 300 animated 64 x 64
// sprites in an 800 x 600 container, of which a tenth change each frame
// (next animation frame and a small move). A frame is the container's update
// collecting the dirty region, then a paint limited to that region into an
// opaque back buffer. Reports the time per frame and the share of the
// 800 x 600 area repainted.
#include "engine/AnimateSprite.h"
#include "engine/FancyContainer.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "gfx/Region.h"
#include "platform/PixelRegion.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

using lang::adopt;
using lang::Ref;

namespace {

constexpr int W = 800;
constexpr int H = 600;
constexpr int Count = 300;
constexpr int Size = 64;
constexpr int Frames = 4;

// A strip of four 64 x 64 frames: a disc with a soft edge, different in
// colour per frame, transparent around it.
Ref<lang::Image> discStrip() {
    auto image = adopt(new lang::Image(Size * Frames, Size, 1, false));
    uint32_t* pixels = image->getPixels();
    for (int f = 0; f < Frames; ++f)
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                int dx = 2 * x - Size + 1, dy = 2 * y - Size + 1;
                int d2 = dx * dx + dy * dy, r2 = (Size - 2) * (Size - 2);
                uint32_t a = d2 < r2 - 400 ? 255 : (d2 < r2 ? 128 : 0);
                uint32_t rgb = 0x203040u + 0x401000u * static_cast<uint32_t>(f);
                pixels[y * Size * Frames + f * Size + x] = a ? (a << 24) | rgb : 0;
            }
    image->setHasAlpha(true);
    return image;
}

int64_t regionArea(lang::Region& region) {
    int64_t area = 0;
    if (platform::PixelRegion* pixels = region.getHandle())
        for (const auto& box : pixels->boxes())
            area += int64_t{box.width} * box.height;
    return area;
}

void BM_FrameOf300Sprites(benchmark::State& state) {
    auto strip = discStrip();
    auto backBuffer = adopt(new lang::Image(W, H, 1, false));
    Ref<lang::Graphics> g =
        adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(backBuffer.get())));
    auto root = adopt(new engine::FancyContainer(W, H));
    root->setBackground(0x102030);
    std::mt19937 rng(11);
    std::vector<Ref<engine::AnimateSprite>> sprites;
    for (int i = 0; i < Count; ++i) {
        auto s = adopt(new engine::AnimateSprite());
        s->setImage(strip.get(), Frames, 1);
        s->setLocation(static_cast<int>(rng() % (W - Size)), static_cast<int>(rng() % (H - Size)));
        root->add(s.get());
        sprites.push_back(s);
    }
    int time = 0;
    auto frame = [&](int64_t& repainted) {
        for (int i = time % 10; i < Count; i += 10) {
            auto& s = sprites[i];
            s->setFrame((s->getFrame() + 1) % Frames);
            int nx = s->getX() + 3;
            s->setLocation(nx >= W - Size ? 0 : nx, s->getY());
        }
        lang::Region region;
        lang::Rectangle rect;
        root->updateInto(time++, rect, region);
        repainted += regionArea(region);
        Ref<lang::Graphics> clipped = g->create();
        clipped->setClip(&region);
        root->paint(*clipped);
        clipped->dispose();
    };
    int64_t warm = 0;
    frame(warm); // the first frame paints everything

    int64_t repainted = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        frame(repainted);
        ++frames;
    }
    state.counters["repainted_share"] =
        frames ? static_cast<double>(repainted) / (static_cast<double>(frames) * W * H) : 0;
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FrameOf300Sprites)->Unit(benchmark::kMicrosecond);

} // namespace
