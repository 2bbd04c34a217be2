#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <array>
#include <cstdint>

namespace lang {

class Font;

// A font's ascent, descent and height and the width of each character, read
// once when the metrics are made; measuring needs no further font access, so
// the metrics stay usable after the font is gone.
class FontMetrics : public Object {
    LANG_CLASS(FontMetrics, Object);

    explicit FontMetrics(const Font& font);

    int getAscent() const { return ascent; }
    int getDescent() const { return descent; }
    int getHeight() const { return height; }
    int charWidth(char c) const { return widths[static_cast<unsigned char>(c)]; }
    // 0 for an empty string.
    int stringWidth(const String& s) const;
    // Width of count characters from offset; 0 for a count of 0 or less.
    int charsWidth(const char* chars, int offset, int count) const;

private:
    int32_t ascent;
    int32_t descent;
    int32_t height;
    std::array<int32_t, 256> widths{};
};

} // namespace lang
