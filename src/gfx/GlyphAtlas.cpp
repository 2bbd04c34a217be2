#include "gfx/GlyphAtlas.h"

#include "platform/Charset.h"
#include "platform/FontFace.h"

#include <algorithm>

namespace lang {

namespace {

constexpr int glyphsPerRow = 16;
constexpr int padding = 1;

} // namespace

bool GlyphAtlas::build(platform::FontFace& face) {
    const int count = lastCode - firstCode + 1;
    std::vector<platform::GlyphImage> glyphs(count);
    // The line must hold every glyph: accents above the ascent and tails
    // below the descent widen it rather than being cut off.
    int above = face.ascent(), below = face.descent();
    for (int i = 0; i < count; ++i) {
        auto c = static_cast<unsigned char>(firstCode + i);
        if (!face.render(platform::ansiToUnicode(c), glyphs[i]))
            return false;
        const auto& g = glyphs[i];
        if (g.width > 0 && g.height > 0) {
            above = std::max(above, g.top);
            below = std::max(below, g.height - g.top);
        }
    }
    lineHeight = std::max(1, above + below);

    table.assign(static_cast<size_t>(count) * fieldsPerGlyph, 0);
    int atlasWidth = 1, rowWidth = 0;
    for (int i = 0; i < count; ++i) {
        if (i % glyphsPerRow == 0)
            rowWidth = 0;
        const auto& g = glyphs[i];
        int32_t* record = &table[static_cast<size_t>(i) * fieldsPerGlyph];
        record[0] = rowWidth;
        record[1] = i / glyphsPerRow * (lineHeight + padding);
        record[2] = g.width;
        record[3] = lineHeight;
        record[4] = g.left;
        record[5] = g.advance;
        rowWidth += g.width + padding;
        atlasWidth = std::max(atlasWidth, rowWidth);
    }
    const int rows = (count + glyphsPerRow - 1) / glyphsPerRow;
    width = atlasWidth;
    height = rows * (lineHeight + padding);

    pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int i = 0; i < count; ++i) {
        const auto& g = glyphs[i];
        const int32_t* record = &table[static_cast<size_t>(i) * fieldsPerGlyph];
        const int originY = record[1] + above - g.top;
        for (int row = 0; row < g.height; ++row)
            for (int col = 0; col < g.width; ++col) {
                uint32_t coverage = g.coverage[static_cast<size_t>(row) * g.width + col];
                if (coverage)
                    pixels[static_cast<size_t>(originY + row) * width + record[0] + col] =
                        coverage << 24 | 0xFFFFFFu;
            }
    }
    return true;
}

} // namespace lang
