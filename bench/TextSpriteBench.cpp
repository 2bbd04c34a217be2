// Pre-rendering one 20-character line of a text sprite into its alpha image
// (18-pixel face, glyphs already cached as they are after the first frame).
// Two cases: new text of the same size, which reuses the image, and new text
// of another width, which allocates a new one. A third case paints the line
// directly, as a sprite does where the system smooths fonts itself.
#include "engine/TextSprite.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"

#include <benchmark/benchmark.h>

using lang::adopt;
using lang::Ref;
using lang::String;

namespace {

const char* const line = "Level 12: 34,567 pts";
const char* const otherLine = "Bonus round! 9 left.";

Ref<engine::TextSprite> preRenderingSprite() {
    Ref<lang::Font> font = adopt(new lang::Font(String("Arial"), 18, 0));
    auto sprite = adopt(new engine::TextSprite(font.get(), lang::Color(255, 255, 255),
                                               lang::Color(0, 0, 0), false, false));
    sprite->setSmoothingAvailable(false);
    sprite->setText(String(line));
    sprite->setText(String(otherLine));
    return sprite;
}

void BM_PreRenderSameSize(benchmark::State& state) {
    auto sprite = preRenderingSprite();
    String text(line);
    for (auto _ : state) {
        sprite->setText(text);
        benchmark::DoNotOptimize(sprite->getRendered().get());
    }
}
BENCHMARK(BM_PreRenderSameSize)->Unit(benchmark::kMicrosecond);

void BM_PreRenderNewSize(benchmark::State& state) {
    auto sprite = preRenderingSprite();
    String texts[2] = {String(line), String(otherLine)};
    int i = 0;
    for (auto _ : state) {
        sprite->setText(texts[i ^= 1]);
        benchmark::DoNotOptimize(sprite->getRendered().get());
    }
}
BENCHMARK(BM_PreRenderNewSize)->Unit(benchmark::kMicrosecond);

void BM_PaintPreRendered(benchmark::State& state) {
    auto sprite = preRenderingSprite();
    sprite->setText(String(line));
    sprite->setLocation(10, 40);
    auto canvas = adopt(new lang::Image(400, 60, 1, false));
    auto g = adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(canvas.get())));
    for (auto _ : state)
        sprite->paint(*g);
}
BENCHMARK(BM_PaintPreRendered)->Unit(benchmark::kMicrosecond);

void BM_PaintDirect(benchmark::State& state) {
    auto sprite = preRenderingSprite();
    sprite->setSmoothingAvailable(true);
    sprite->setText(String(line));
    sprite->setLocation(10, 40);
    auto canvas = adopt(new lang::Image(400, 60, 1, false));
    auto g = adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(canvas.get())));
    for (auto _ : state)
        sprite->paint(*g);
}
BENCHMARK(BM_PaintDirect)->Unit(benchmark::kMicrosecond);

} // namespace
