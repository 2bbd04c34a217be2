// The console's text over hostile bytes: markup escapes cut short or with bad
// digits, control characters, words longer than a row, thousands of lines.
// The first bytes choose the console's size, font size and history; the rest
// is printed in pieces and the console painted. Nothing may be painted
// outside the console's bounds, and no row may hold more than its cells.
#include "engine/RichTTYSprite.h"
#include "gfx/Color.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "gfx/Rectangle.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr int canvasWidth = 320;
constexpr int canvasHeight = 200;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5 || size > (1u << 16))
        return 0;
    auto console = lang::adopt(new engine::RichTTYSprite());
    lang::Color background(0x20, 0x30, 0x40);
    console->setLocation(20, 10);
    console->setup(1 + data[0], 1 + data[1] % 160, data[2] % 40, 0xFFFFFF,
                   data[3] & 1 ? &background : nullptr, (data[3] & 2) != 0);
    // Pieces end where a 0 byte stands, so an escape may be split across
    // two prints.
    size_t start = 4;
    for (size_t i = 4; i <= size; ++i) {
        if (i < size && data[i] != 0)
            continue;
        std::string piece(reinterpret_cast<const char*>(data + start), i - start);
        console->print(lang::String(piece.c_str()));
        start = i + 1;
    }
    for (int r = 0; r < console->getStoredRowCount(); ++r)
        if (console->getRowCells(r).size() > static_cast<size_t>(engine::RichTTYSprite::columnsMax))
            std::abort();

    auto canvas = lang::adopt(new lang::Image(canvasWidth, canvasHeight, 1, false));
    std::fill_n(canvas->getPixels(), canvasWidth * canvasHeight, 0u);
    lang::Rectangle flushed;
    console->update(1, flushed);
    lang::Ref<lang::Graphics> g =
        lang::adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(canvas.get())));
    console->paint(*g);
    lang::Rectangle bounds = console->getBounds();
    for (int y = 0; y < canvasHeight; ++y)
        for (int x = 0; x < canvasWidth; ++x)
            if (canvas->getPixels()[y * canvasWidth + x] && !bounds.inside(x, y))
                std::abort();
    return 0;
}
