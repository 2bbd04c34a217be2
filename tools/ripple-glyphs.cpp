// Builds a bitmap font for NewFontSprite from a TrueType face.
//
//   ripple-glyphs FONT SIZE OUT.png
//
// FONT is a font file or a family name that fontconfig resolves; SIZE is the
// em height in pixels. Writes two PNG images: OUT.png, the glyphs of code page
// 1252 characters 32-255 in white with their coverage as alpha, and
// OUT-glyphs.png, the glyph table (6 pixels wide, one row per character, each
// pixel's ARGB value one int32 field: source x, source y, width, height,
// bearing, advance). Every glyph's cell is a full line high with the
// baseline at one row for all, so the table's first height is the line
// height. Exit status: 0 done, 1 bad arguments, 2 the face or the output
// failed.
#include "gfx/PngEncoder.h"
#include "platform/FontFace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int firstCode = 32;
constexpr int lastCode = 255;
constexpr int glyphsPerRow = 16;
constexpr int padding = 1;
constexpr int fieldsPerGlyph = 6;

std::string tablePath(const std::string& out) {
    const std::string suffix = ".png";
    std::string stem = out;
    if (stem.size() > suffix.size() &&
        stem.compare(stem.size() - suffix.size(), suffix.size(), suffix) == 0)
        stem.resize(stem.size() - suffix.size());
    return stem + "-glyphs.png";
}

std::unique_ptr<platform::FontFace> openFace(const char* font, int size) {
    struct stat info;
    if (stat(font, &info) == 0 && S_ISREG(info.st_mode))
        return platform::FontFace::openFile(font, size);
    return platform::FontFace::open(font, size, false, false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ripple-glyphs FONT SIZE OUT.png\n");
        return 1;
    }
    char* end = nullptr;
    long size = std::strtol(argv[2], &end, 10);
    if (!end || *end || size < 1 || size > 256) {
        std::fprintf(stderr, "ripple-glyphs: SIZE must be 1 to 256 pixels\n");
        return 1;
    }
    auto face = openFace(argv[1], static_cast<int>(size));
    if (!face) {
        std::fprintf(stderr, "ripple-glyphs: cannot open the font %s\n", argv[1]);
        return 2;
    }

    const int count = lastCode - firstCode + 1;
    std::vector<platform::GlyphImage> glyphs(count);
    // The line must hold every glyph: accents above the ascent and tails
    // below the descent widen it rather than being cut off.
    int above = face->ascent(), below = face->descent();
    for (int i = 0; i < count; ++i) {
        auto c = static_cast<unsigned char>(firstCode + i);
        if (!face->render(platform::ansiToUnicode(c), glyphs[i])) {
            std::fprintf(stderr, "ripple-glyphs: cannot render character %d\n", c);
            return 2;
        }
        const auto& g = glyphs[i];
        if (g.width > 0 && g.height > 0) {
            above = std::max(above, g.top);
            below = std::max(below, g.height - g.top);
        }
    }
    const int lineHeight = std::max(1, above + below);

    std::vector<int32_t> table(count * fieldsPerGlyph);
    int atlasWidth = 1, rowWidth = 0;
    for (int i = 0; i < count; ++i) {
        if (i % glyphsPerRow == 0)
            rowWidth = 0;
        const auto& g = glyphs[i];
        int32_t* record = &table[i * fieldsPerGlyph];
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
    const int atlasHeight = rows * (lineHeight + padding);

    std::vector<uint32_t> atlas(static_cast<size_t>(atlasWidth) * atlasHeight, 0);
    for (int i = 0; i < count; ++i) {
        const auto& g = glyphs[i];
        const int32_t* record = &table[i * fieldsPerGlyph];
        const int originY = record[1] + above - g.top;
        for (int row = 0; row < g.height; ++row)
            for (int col = 0; col < g.width; ++col) {
                uint32_t coverage = g.coverage[static_cast<size_t>(row) * g.width + col];
                if (coverage)
                    atlas[static_cast<size_t>(originY + row) * atlasWidth + record[0] + col] =
                        coverage << 24 | 0xFFFFFFu;
            }
    }

    std::vector<uint32_t> tablePixels(table.begin(), table.end());
    const std::string tableOut = tablePath(argv[3]);
    if (!lang::PngEncoder::writeFile(argv[3], atlas.data(), atlasWidth, atlasHeight, false) ||
        !lang::PngEncoder::writeFile(tableOut.c_str(), tablePixels.data(), fieldsPerGlyph, count,
                                     false)) {
        std::fprintf(stderr, "ripple-glyphs: cannot write %s\n", argv[3]);
        return 2;
    }
    std::printf("%s: %d x %d, line height %d\n%s: %d glyphs\n", argv[3], atlasWidth, atlasHeight,
                lineHeight, tableOut.c_str(), count);
    return 0;
}
