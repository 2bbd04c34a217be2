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
#include "gfx/GlyphAtlas.h"
#include "gfx/PngEncoder.h"
#include "platform/FontFace.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int fieldsPerGlyph = lang::GlyphAtlas::fieldsPerGlyph;

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

    lang::GlyphAtlas atlas;
    if (!atlas.build(*face)) {
        std::fprintf(stderr, "ripple-glyphs: cannot render the font's characters\n");
        return 2;
    }
    const int count = lang::GlyphAtlas::lastCode - lang::GlyphAtlas::firstCode + 1;
    const int atlasWidth = atlas.width, atlasHeight = atlas.height, lineHeight = atlas.lineHeight;

    std::vector<uint32_t> tablePixels(atlas.table.begin(), atlas.table.end());
    const std::string tableOut = tablePath(argv[3]);
    if (!lang::PngEncoder::writeFile(argv[3], atlas.pixels.data(), atlasWidth, atlasHeight,
                                     false) ||
        !lang::PngEncoder::writeFile(tableOut.c_str(), tablePixels.data(), fieldsPerGlyph, count,
                                     false)) {
        std::fprintf(stderr, "ripple-glyphs: cannot write %s\n", argv[3]);
        return 2;
    }
    std::printf("%s: %d x %d, line height %d\n%s: %d glyphs\n", argv[3], atlasWidth, atlasHeight,
                lineHeight, tableOut.c_str(), count);
    return 0;
}
