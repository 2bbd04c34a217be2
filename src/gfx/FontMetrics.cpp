#include "gfx/FontMetrics.h"

#include "gfx/Font.h"

namespace lang {

FontMetrics::FontMetrics(const Font& font)
    : ascent(font.getAscent()), descent(font.getDescent()), height(font.getHeight()) {
    if (!font.isValid())
        return;
    for (int c = 0; c < 256; ++c)
        widths[static_cast<size_t>(c)] = font.charAdvance(static_cast<unsigned char>(c));
}

int FontMetrics::stringWidth(const String& s) const {
    return charsWidth(s.getChars(), 0, s.getLength());
}

int FontMetrics::charsWidth(const char* chars, int offset, int count) const {
    if (!chars || count <= 0 || offset < 0)
        return 0;
    int width = 0;
    for (int i = 0; i < count; ++i)
        width += charWidth(chars[offset + i]);
    return width;
}

} // namespace lang
