#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class FontFace;
}

namespace lang {

class FontMetrics;

// A screen font: a face found by name (through the system's font matching, so
// "Arial" finds a metric-compatible face), a size in pixels (the glyph height
// without internal leading) and style bits. A font whose face cannot be opened
// is valid as an object but draws and measures nothing.
class Font : public Object {
    LANG_CLASS(Font, Object);

    static constexpr int BOLD = 1;
    static constexpr int ITALIC = 2;
    static constexpr int UNDERLINE = 4;
    static constexpr const char* defaultFace = "Arial";

    // One rendered character. Coverage is 0..255 per pixel; `left` and `top`
    // place the bitmap relative to the pen on the baseline; `advance` moves
    // the pen. greyLevel() turns coverage into the 65-level (0..64) scale.
    struct Glyph {
        int width = 0;
        int height = 0;
        int left = 0;
        int top = 0;
        int advance = 0;
        std::vector<uint8_t> coverage;
    };

    // The character set, output precision and pitch-and-family values of the
    // platform font call have no counterpart here; they are accepted and kept.
    Font(const String& name, int size, int style, int charSet = 0, int precision = 0,
         int pitchAndFamily = 0);
    Font(int size, int style);
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // The metrics, created on the first request (under this font's monitor)
    // and kept; the caller gets its own reference.
    Ref<FontMetrics> getFontMetrics() const;

    const String& getName() const { return name; }
    int getSize() const { return size; }
    int getStyle() const { return style; }
    // The platform font call's extra values, as given.
    int getCharSet() const { return charSet; }
    int getPrecision() const { return precision; }
    int getPitchAndFamily() const { return pitchAndFamily; }
    bool isBold() const { return (style & BOLD) != 0; }
    bool isItalic() const { return (style & ITALIC) != 0; }
    bool isUnderline() const { return (style & UNDERLINE) != 0; }
    // True when a face was found.
    bool isValid() const { return face != nullptr; }

    int getAscent() const { return ascent; }
    int getDescent() const { return descent; }
    int getHeight() const { return ascent + descent; }
    int getUnderlinePosition() const { return underlinePos; }
    int getUnderlineThickness() const { return underlineSize; }

    // The glyph of one ANSI (code page 1252) character, rendered once and
    // kept for the font's lifetime; null when the font has no face or the
    // character cannot be rendered. Thread-safe.
    const Glyph* getGlyph(unsigned char c) const;
    // Pen advance of one character (0 without a face).
    int charAdvance(unsigned char c) const;

    static int greyLevel(uint8_t coverage) { return (coverage * 64 + 127) / 255; }

private:
    void open();

    String name;
    int32_t size;
    int32_t style;
    int32_t charSet;
    int32_t precision;
    int32_t pitchAndFamily;
    std::unique_ptr<platform::FontFace> face;
    int ascent = 0;
    int descent = 0;
    int underlinePos = 1;
    int underlineSize = 1;
    mutable std::array<std::unique_ptr<Glyph>, 256> glyphs;
    mutable std::array<bool, 256> failed{};
    mutable Ref<FontMetrics> metrics;
};

} // namespace lang
