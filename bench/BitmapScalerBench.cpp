// Turning and scaling the 48 x 48 cells the game draws balls from. The game
// turns up to twelve balls every frame in the area-weighted mode, so twelve
// times that figure must stay well inside a 40 ms frame.
#include "gfx/BitmapScaler.h"
#include "gfx/Image.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

using lang::adopt;
using lang::BitmapScaler;
using lang::Image;
using lang::Ref;

namespace {

constexpr int cell = 48;

// A shaded disc with a soft rim and transparent corners, like a ball cell.
Ref<Image> ballCell() {
    auto image = adopt(new Image(cell, cell, 1, false));
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            const double dx = x + 0.5 - cell / 2.0, dy = y + 0.5 - cell / 2.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double coverage = std::fmax(0.0, std::fmin(1.0, cell / 2.0 - d));
            const auto alpha = static_cast<uint32_t>(coverage * 255);
            const auto shade = static_cast<uint32_t>(255 - (x + y) * 2);
            image->getPixels()[y * cell + x] =
                alpha << 24 | shade << 16 | (shade / 2) << 8 | ((x * 5) & 255);
        }
    image->setHasAlpha(true);
    return image;
}

void rotateCell(benchmark::State& state, int mode) {
    auto image = ballCell();
    auto scaler = adopt(new BitmapScaler(image.get()));
    int step = 0;
    for (auto _ : state) {
        // A new direction every call, as rolling balls have.
        const double angle = (step++ % 360) * M_PI / 180.0;
        benchmark::DoNotOptimize(scaler->rotate(angle, nullptr, mode, 1.0).get());
    }
}

void BM_RotateAreaWeighted(benchmark::State& state) {
    rotateCell(state, 1);
}
BENCHMARK(BM_RotateAreaWeighted);

void BM_RotateNearest(benchmark::State& state) {
    rotateCell(state, 0);
}
BENCHMARK(BM_RotateNearest);

void scaleCell(benchmark::State& state, int mode) {
    auto image = ballCell();
    auto scaler = adopt(new BitmapScaler(image.get()));
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(scaler->scale(size, size, nullptr, mode).get());
}

void BM_ScaleNearest(benchmark::State& state) {
    scaleCell(state, 0);
}
BENCHMARK(BM_ScaleNearest)->Arg(20)->Arg(72);

void BM_ScaleAreaAverage(benchmark::State& state) {
    scaleCell(state, 1);
}
BENCHMARK(BM_ScaleAreaAverage)->Arg(20)->Arg(72);

} // namespace
