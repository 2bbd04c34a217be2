#include "engine/TextSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "gfx/Graphics.h"

#include <algorithm>

namespace engine {

using lang::Color;
using lang::Rectangle;
using lang::Ref;
using lang::String;
using lang::Synchronized;

LANG_REGISTER_CLASS(TextSprite);

namespace {

constexpr int defaultFontSize = 14;
const char* const caretText = "|";

} // namespace

TextSprite::TextSprite()
    : TextSprite(lang::adopt(new lang::Font(defaultFontSize, 0)).get(), Color(255, 255, 255),
                 Color(0, 0, 0), false, false) {}

TextSprite::TextSprite(lang::Font* newFont, const Color& newColour, const Color& newShadowColour,
                       bool withShadow, bool withBox)
    : font(newFont), colour(newColour.value), shadowColour(newShadowColour.value),
      shadow(withShadow), boxed(withBox), smoothingAvailable(lang::Graphics::isFontSmoothingOn()) {
    measure();
    preRender();
}

TextSprite::~TextSprite() = default;

void TextSprite::configure(lang::ObjectArray*, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    setLocation(ints->get(0), ints->get(1));
    if (ints->size() > 2)
        setAlign(ints->get(2));
}

Ref<lang::Font> TextSprite::currentFont() {
    Synchronized guard(dirtyLock());
    return font;
}

String TextSprite::getText() {
    Synchronized guard(dirtyLock());
    return text;
}

Ref<lang::Image> TextSprite::getRendered() {
    Synchronized guard(dirtyLock());
    return rendered;
}

void TextSprite::measure() {
    Ref<lang::FontMetrics> m;
    String line;
    {
        Synchronized guard(dirtyLock());
        if (font)
            metrics = font->getFontMetrics();
        else
            metrics = nullptr;
        m = metrics;
        line = text;
    }
    int textWidth = m ? m->stringWidth(line) : 0;
    int h = m ? m->getHeight() : 0;
    fontHeight = h;
    fontDescent = m ? m->getDescent() : 0;
    caretWidth = m ? m->stringWidth(String(caretText)) : 0;
    setSizeQuiet(textWidth + 4, h + 2);
}

void TextSprite::setFont(lang::Font* newFont) {
    invalidate();
    {
        Synchronized guard(dirtyLock());
        font = newFont;
    }
    measure();
    preRender();
    invalidate();
}

void TextSprite::setColours(const Color& newColour, const Color& newShadowColour) {
    invalidate();
    {
        Synchronized guard(dirtyLock());
        colour.value = newColour.value;
        shadowColour.value = newShadowColour.value;
    }
    preRender();
    invalidate();
}

void TextSprite::setText(const String& s) {
    invalidate();
    {
        Synchronized guard(dirtyLock());
        text = s;
    }
    measure();
    preRender();
    invalidate();
}

void TextSprite::setAlign(int value) {
    if (value == align)
        return;
    invalidate();
    align = value;
    invalidate();
}

void TextSprite::setCaret(bool on) {
    if (on == caretOn)
        return;
    invalidate();
    caretOn = on;
    caretVisible = on;
    invalidate();
}

void TextSprite::setSmoothingAvailable(bool value) {
    smoothingAvailable = value;
    preRender();
    invalidate();
}

void TextSprite::preRender() {
    Synchronized guard(dirtyLock());
    if (smoothingAvailable || shadow || text.isEmpty() || !font || !metrics) {
        rendered = nullptr;
        return;
    }
    const int w = width, h = height;
    const int ascent = metrics->getAscent();
    // A painter holding the old image must not see it change under it.
    const bool reusable = rendered && rendered->getRefCount() == 1 && rendered->getWidth() == w &&
                          rendered->getHeight() == h && rendered->hasPixels();
    Ref<lang::Image> target = reusable ? rendered : lang::adopt(new lang::Image(w, h, 0, false));
    rendered = nullptr;
    if (!target->hasPixels())
        return;
    uint32_t* pixels = target->getPixels();
    const uint32_t rgb = colour.value & 0xFFFFFFu;
    std::fill(pixels, pixels + static_cast<ptrdiff_t>(w) * h, rgb);
    int pen = 2;
    const char* chars = text.getChars();
    for (int i = 0; i < text.getLength(); ++i) {
        const lang::Font::Glyph* glyph = font->getGlyph(static_cast<unsigned char>(chars[i]));
        if (!glyph)
            return;
        const int left = std::max(0, pen + glyph->left);
        const int top = ascent - glyph->top;
        for (int row = 0; row < glyph->height; ++row) {
            const int py = top + row;
            if (py < 0 || py >= h)
                continue;
            const uint8_t* coverage =
                glyph->coverage.data() + static_cast<ptrdiff_t>(row) * glyph->width;
            uint32_t* line = pixels + static_cast<ptrdiff_t>(py) * w;
            const int columns = std::min(glyph->width, w - left);
            for (int col = 0; col < columns; ++col) {
                const int grey = lang::Font::greyLevel(coverage[col]);
                if (grey == 0)
                    continue;
                // Neighbouring glyphs may overlap (italics, tight pairs): the
                // denser coverage wins, so no edge cuts into a stroke.
                const uint32_t alpha = static_cast<uint32_t>(4 * grey - 1);
                uint32_t& p = line[left + col];
                if (alpha > (p >> 24))
                    p = (alpha << 24) | rgb;
            }
        }
        pen += glyph->advance;
    }
    target->setHasAlpha(true);
    rendered = target;
}

void TextSprite::unloadImage() {
    setUnloadPending(false);
    Synchronized guard(dirtyLock());
    rendered = nullptr;
}

void TextSprite::reloadImage() {
    setUnloadPending(false);
    if (!getRendered())
        preRender();
}

int TextSprite::alignedX() const {
    return x - alignShift(align, width);
}

Rectangle TextSprite::getBounds() {
    Rectangle bounds(alignedX(), y - height + 2, width + (caretOn ? caretWidth.load() : 0), height);
    Ref<Rectangle> clip = getClip();
    if (clip)
        bounds.intersect(*clip);
    return bounds;
}

bool TextSprite::update(int time, Rectangle& rect) {
    if (caretOn && time - lastCaretToggle >= caretPeriod) {
        lastCaretToggle = time;
        invalidate();
        caretVisible = !caretVisible;
        invalidate();
    } else if (!caretOn) {
        lastCaretToggle = time;
    }
    return Sprite::update(time, rect);
}

void TextSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    String line;
    Ref<lang::Font> face;
    Ref<lang::Image> image;
    Color fore, back;
    {
        Synchronized guard(dirtyLock());
        line = text;
        face = font;
        image = rendered;
        fore.value = colour.value;
        back.value = shadowColour.value;
    }
    const int left = alignedX();
    const int baseline = y - fontDescent;
    const Rectangle bounds = getBounds();
    const bool caret = caretOn && caretVisible;

    Ref<lang::Graphics> child = g.create();
    if (!child)
        return;
    Ref<Rectangle> clip = getClip();
    if (clip)
        child->clipRect(clip->x, clip->y, clip->width, clip->height);
    child->setFont(face.get());
    int caretDy = 0;
    if (image) {
        if (boxed) {
            child->setColor(back);
            child->fillRect(bounds.x, bounds.y, bounds.width, bounds.height);
        }
        paintImage(*child, image.get(), left, y - fontHeight, nullptr);
    } else {
        if (shadow) {
            child->setColor(back);
            static constexpr int offsets[4][2] = {{2, 2}, {0, 2}, {2, 0}, {0, 0}};
            for (const auto& offset : offsets)
                child->drawString(line, left + offset[0], baseline + offset[1]);
        } else if (boxed) {
            child->setColor(back);
            child->fillRect(bounds.x, bounds.y, bounds.width, bounds.height);
        }
        child->setColor(fore);
        child->drawString(line, left + 1, baseline + 1);
        caretDy = 1;
    }
    if (caret) {
        child->setColor(fore);
        child->drawString(String(caretText), left + width - 3, baseline + caretDy);
    }
    child->dispose();
}

} // namespace engine
