// Composition speed against pixman on one 800 x 600 frame: a source of 50%
// opaque, 30% transparent and 20% half-transparent pixels in random places,
// composed onto an opaque frame. Compare the times within one run.
#include "gfx/Blend.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using lang::Blend;
using lang::Composition;

namespace {

constexpr int W = 800;
constexpr int H = 600;

struct Frames {
    std::vector<uint32_t> src, srcPremultiplied, dst;
    Frames() : src(W * H), srcPremultiplied(W * H), dst(W * H) {
        std::mt19937 rng(7);
        for (int i = 0; i < W * H; ++i) {
            uint32_t rgb = rng() & 0xFFFFFF;
            int pick = static_cast<int>(rng() % 10);
            uint32_t a = pick < 5 ? 255 : (pick < 8 ? 0 : 128);
            src[i] = (a << 24) | rgb;
            uint32_t r = ((rgb >> 16) & 0xFF) * a / 255, g = ((rgb >> 8) & 0xFF) * a / 255,
                     b = (rgb & 0xFF) * a / 255;
            srcPremultiplied[i] = (a << 24) | (r << 16) | (g << 8) | b;
            dst[i] = 0xFF000000u | (rng() & 0xFFFFFF);
        }
    }
};

Frames& frames() {
    static Frames f;
    return f;
}

Composition job(int level, int tint, bool targetAlpha) {
    Frames& f = frames();
    Composition c;
    c.src = f.src.data();
    c.dst = f.dst.data();
    c.srcStride = c.dstStride = W;
    c.width = W;
    c.height = H;
    c.level = level;
    c.tintRed = tint;
    c.tintGreen = tint == 128 ? 128 : 200;
    c.tintBlue = tint;
    c.targetHasAlpha = targetAlpha;
    return c;
}

void setLabel(benchmark::State& state) {
    static const char* names[] = {"scalar", "sse2", "ssse3", "avx2"};
    state.SetLabel(names[state.range(0)]);
    state.SetItemsProcessed(state.iterations() * W * H);
}

bool skipUnavailable(benchmark::State& state) {
    if (Blend::isaAvailable(Blend::Isa(state.range(0))))
        return false;
    state.SkipWithError("instruction set not available");
    return true;
}

void pixmanComposite(benchmark::State& state, pixman_op_t op) {
    Frames& f = frames();
    pixman_image_t* s =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, f.srcPremultiplied.data(), W * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, f.dst.data(), W * 4);
    for (auto _ : state) {
        pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    state.SetItemsProcessed(state.iterations() * W * H);
}

void BM_PixmanOver(benchmark::State& state) {
    pixmanComposite(state, PIXMAN_OP_OVER);
}

void BM_PixmanAdd(benchmark::State& state) {
    pixmanComposite(state, PIXMAN_OP_ADD);
}

void BM_Memcpy(benchmark::State& state) {
    Frames& f = frames();
    for (auto _ : state) {
        std::memcpy(f.dst.data(), f.src.data(), sizeof(uint32_t) * W * H);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
}

void composeBench(benchmark::State& state, Blend::Mode mode, int level, int tint,
                  bool targetAlpha) {
    if (skipUnavailable(state))
        return;
    Composition c = job(level, tint, targetAlpha);
    for (auto _ : state) {
        Blend::composeWith(Blend::Isa(state.range(0)), mode, c);
        benchmark::ClobberMemory();
    }
    setLabel(state);
}

void BM_Normal128(benchmark::State& state) {
    composeBench(state, Blend::Normal, 128, 128, false);
}
void BM_Normal96(benchmark::State& state) {
    composeBench(state, Blend::Normal, 96, 128, false);
}
void BM_Normal128TargetAlpha(benchmark::State& state) {
    composeBench(state, Blend::Normal, 128, 128, true);
}
void BM_NormalTint(benchmark::State& state) {
    composeBench(state, Blend::Normal, 96, 100, false);
}
void BM_NormalTintTargetAlpha(benchmark::State& state) {
    composeBench(state, Blend::Normal, 96, 100, true);
}
void BM_Additive(benchmark::State& state) {
    composeBench(state, Blend::Additive, 128, 128, false);
}
void BM_AdditiveTint(benchmark::State& state) {
    composeBench(state, Blend::Additive, 96, 100, false);
}
void BM_Shadow(benchmark::State& state) {
    if (skipUnavailable(state))
        return;
    Composition c = job(128, 128, false);
    for (auto _ : state) {
        Blend::shadowWith(Blend::Isa(state.range(0)), c);
        benchmark::ClobberMemory();
    }
    setLabel(state);
}

// The machine is shared: with --benchmark_repetitions the fastest repetition
// is the steadiest figure to compare.
double fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_PixmanOver)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_PixmanAdd)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Normal128)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Normal96)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Normal128TargetAlpha)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_NormalTint)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_NormalTintTargetAlpha)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Additive)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_AdditiveTint)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_Shadow)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);
