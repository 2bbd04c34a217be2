#pragma once
#include "Raster.h"

#include <memory>
#include <string>

namespace platform {
class FontFace;
}

namespace assets {

// Type set with the game's fonts: a rounded display face for titles and
// buttons, a plain sans for small print. The faces come from Debian font
// packages; when the display face is missing the sans stands in, so the
// generator still runs (with plainer titles).
class TextStyle {
public:
    Rgba top{1, 1, 1, 1};
    Rgba bottom{1, 1, 1, 1};
    Rgba outline{0, 0, 0, 0};
    float outlineWidth = 0;
    Rgba shadow{0, 0, 0, 0};
    float shadowBlur = 2;
    int shadowDy = 2;
};

enum class Face { Display, Plain };

class Typesetter {
public:
    Typesetter();
    ~Typesetter();
    // Width in pixels of `text` (Latin-1) at `size`.
    int measure(Face face, int size, const std::string& text);
    // Draws `text` with its baseline at y; align 0 left of x, 1 centred, 2 right.
    void draw(Raster& target, Face face, int size, const std::string& text, float x, float y,
              int align, const TextStyle& style);
    // Coverage of the text as a mask raster (white), its left edge at 0 and
    // baseline at `baseline`; the raster is `height` high.
    Raster mask(Face face, int size, const std::string& text, int baseline, int height);
    // The font file the plain face uses, for the bitmap font.
    static std::string plainFontPath();
    static std::string displayFontPath();
    int ascent(Face face, int size);

private:
    platform::FontFace& face(Face f, int size);
    struct Cache;
    std::unique_ptr<Cache> cache;
};

} // namespace assets
