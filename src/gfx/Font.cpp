#include "gfx/Font.h"

#include "gfx/FontMetrics.h"
#include "platform/Charset.h"
#include "platform/FontFace.h"

namespace lang {

Font::Font(const String& name, int size, int style, int charSet, int precision, int pitchAndFamily)
    : name(name.isEmpty() ? String(defaultFace) : name), size(size), style(style), charSet(charSet),
      precision(precision), pitchAndFamily(pitchAndFamily) {
    open();
}

Font::Font(int size, int style) : Font(String(defaultFace), size, style) {}

Font::~Font() = default;

void Font::open() {
    face = platform::FontFace::open(name.getChars(), size, isBold(), isItalic());
    if (!face)
        return;
    ascent = face->ascent();
    descent = face->descent();
    underlinePos = face->underlinePosition();
    underlineSize = face->underlineThickness();
}

Ref<FontMetrics> Font::getFontMetrics() const {
    Synchronized guard(this);
    if (!metrics)
        metrics = adopt(new FontMetrics(*this));
    return metrics;
}

const Font::Glyph* Font::getGlyph(unsigned char c) const {
    if (!face)
        return nullptr;
    Synchronized guard(this);
    if (glyphs[c])
        return glyphs[c].get();
    if (failed[c])
        return nullptr;
    platform::GlyphImage image;
    if (!face->render(platform::ansiToUnicode(c), image)) {
        failed[c] = true;
        return nullptr;
    }
    auto glyph = std::make_unique<Glyph>();
    glyph->width = image.width;
    glyph->height = image.height;
    glyph->left = image.left;
    glyph->top = image.top;
    glyph->advance = image.advance;
    glyph->coverage = std::move(image.coverage);
    glyphs[c] = std::move(glyph);
    return glyphs[c].get();
}

int Font::charAdvance(unsigned char c) const {
    const Glyph* g = getGlyph(c);
    return g ? g->advance : 0;
}

} // namespace lang
