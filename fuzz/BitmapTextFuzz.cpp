// Number and bitmap-font sprites over hostile layouts and glyph tables. The
// input's first bytes choose a number sprite's value, style, alignment,
// minimum digits and spacing, the next ones a text; the rest becomes a glyph
// table. Whatever they hold, painting must stay inside the sprites' bounds.
#include "engine/NewFontSprite.h"
#include "engine/NumberSprite.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int canvasWidth = 256;
constexpr int canvasHeight = 64;

lang::Ref<lang::Image> solid(int width, int height, uint32_t argb) {
    auto image = lang::adopt(new lang::Image(width, height, 1, false));
    for (int i = 0; i < width * height; ++i)
        image->getPixels()[i] = argb;
    return image;
}

// Paints the sprite on a clear canvas and aborts when a pixel lands outside
// its bounds: such a pixel would never be repainted.
void paintInsideBounds(engine::Sprite& sprite) {
    auto canvas = solid(canvasWidth, canvasHeight, 0);
    lang::Rectangle flushed;
    sprite.update(1, flushed);
    lang::Ref<lang::Graphics> g =
        lang::adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(canvas.get())));
    sprite.paint(*g);
    lang::Rectangle b = sprite.getBounds();
    for (int y = 0; y < canvasHeight; ++y)
        for (int x = 0; x < canvasWidth; ++x)
            if (canvas->getPixels()[y * canvasWidth + x] && !b.inside(x, y))
                std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12 || size > (1u << 16))
        return 0;
    int32_t value;
    std::memcpy(&value, data, 4);
    auto number = lang::adopt(new engine::NumberSprite());
    number->setStyle(data[4] % 4);
    number->setAlign(data[5] % 3);
    number->setMinDigits(data[6] % 12);
    number->setSpacing(data[7] % 4);
    number->setSeparators(
        engine::NumberSprite::separatorsFor(data[8] & 1 ? ',' : '.', data[8] & 2 ? ' ' : ','));
    number->setLocation(128, 1);
    number->setImage(solid(data[4] % 4 == 1 ? 20 : 30, 3, 0xFF00FF00u).get());
    number->setValue(value);
    paintInsideBounds(*number);

    size_t textLength = std::min<size_t>(data[9] % 32, size - 12);
    auto font = solid(32, 16, 0xFFFFFFFFu);
    size_t tableBytes = size - 12 - textLength;
    int records = static_cast<int>(tableBytes / 24);
    auto table = solid(6, records > 0 ? records : 1, 0);
    if (records > 0)
        std::memcpy(table->getPixels(), data + 12 + textLength, static_cast<size_t>(records) * 24);
    // Positions far beyond a line are not what the check is about; hold the
    // table's values to a range that still reaches around the canvas.
    for (int i = 0; i < records * 6; ++i) {
        auto v = static_cast<int32_t>(table->getPixels()[i]);
        table->getPixels()[i] = static_cast<uint32_t>(v % 40);
    }
    auto text = lang::adopt(new engine::NewFontSprite());
    text->setImage(font.get());
    text->setGlyphs(records > 0 ? table.get() : nullptr);
    text->setLocation(100 + data[10] % 40, 20);
    text->setAlign(data[11] % 3);
    text->setCaret(data[10] & 1);
    std::string line(reinterpret_cast<const char*>(data + 12), textLength);
    text->setText(lang::String(line.c_str()));
    paintInsideBounds(*text);
    return 0;
}
