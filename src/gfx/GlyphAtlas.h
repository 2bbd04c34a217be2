#pragma once
#include <cstdint>
#include <vector>

namespace platform {
class FontFace;
}

namespace lang {

// A bitmap font for NewFontSprite built from a TrueType face: the glyphs of
// code page 1252 characters 32-255 in white with their coverage as alpha,
// sixteen to a row, each in a cell one line high with a common baseline, and
// the glyph table (six int32 fields per character: source x, source y, width,
// height, bearing, advance; the first record's height is the line height).
struct GlyphAtlas {
    static constexpr int firstCode = 32;
    static constexpr int lastCode = 255;
    static constexpr int fieldsPerGlyph = 6;

    int width = 0;
    int height = 0;
    int lineHeight = 0;
    // ARGB rows of the font image.
    std::vector<uint32_t> pixels;
    // fieldsPerGlyph values per character from firstCode; stored as an image
    // six pixels wide, each pixel's 32-bit value one field.
    std::vector<int32_t> table;

    // False when the face fails to render a character.
    bool build(platform::FontFace& face);
};

} // namespace lang
