#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// One rendered glyph: 8-bit coverage rows (0 none .. 255 full), placed with
// its left edge `left` pixels right of the pen and its top row `top` pixels
// above the baseline.
struct GlyphImage {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    // Pen advance in whole pixels.
    int advance = 0;
    std::vector<uint8_t> coverage;
};

// A font face at one pixel size, found through fontconfig and rendered with
// FreeType. Not thread-safe: callers serialise use of one face.
class FontFace {
public:
    // The face nearest to `family` with the style, at an em height of
    // `pixelSize` pixels; null when no face could be opened.
    static std::unique_ptr<FontFace> open(const char* family, int pixelSize, bool bold,
                                          bool italic);
    // The first face of the font file at `path` at an em height of
    // `pixelSize` pixels; null when it cannot be opened.
    static std::unique_ptr<FontFace> openFile(const char* path, int pixelSize);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Whole-pixel metrics: ascent above and descent below the baseline.
    int ascent() const { return ascentPx; }
    int descent() const { return descentPx; }
    // Underline offset below the baseline and thickness, in pixels.
    int underlinePosition() const { return underlinePos; }
    int underlineThickness() const { return underlineSize; }

    // Renders one Unicode character (a missing one gives the face's
    // replacement glyph); false when FreeType fails.
    bool render(uint32_t codepoint, GlyphImage& out);

private:
    FontFace() = default;
    struct Impl;
    // Takes over `impl` and its face, sets the size and reads the metrics;
    // null (the face closed) when the size cannot be set. Called under the
    // library lock.
    static std::unique_ptr<FontFace> adoptFace(std::unique_ptr<Impl> impl, int pixelSize);
    std::unique_ptr<Impl> impl;
    int ascentPx = 0;
    int descentPx = 0;
    int underlinePos = 1;
    int underlineSize = 1;
};

} // namespace platform
