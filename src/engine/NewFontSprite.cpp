#include "engine/NewFontSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Graphics.h"

#include <algorithm>
#include <cstdint>

namespace engine {

using lang::Rectangle;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(NewFontSprite);

namespace {

constexpr int firstCode = 32;
constexpr int fieldsPerGlyph = 6;
// A table comes from a data file: fields are held to this magnitude so sums
// over a whole line stay far from overflow.
constexpr int32_t fieldLimit = 1 << 20;
constexpr int64_t extentLimit = INT32_MAX / 4;

int clampExtent(int64_t v) {
    return static_cast<int>(std::clamp(v, -extentLimit, extentLimit));
}

} // namespace

struct NewFontSprite::Glyph {
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bearing = 0;
    int32_t advance = 0;
};

NewFontSprite::NewFontSprite() = default;

NewFontSprite::~NewFontSprite() = default;

NewFontSprite::Glyph NewFontSprite::glyphOf(const lang::Image* table, unsigned char c) {
    Glyph g;
    if (!table || !table->hasPixels() || c < firstCode)
        return g;
    int64_t records = int64_t{table->getWidth()} * table->getHeight() / fieldsPerGlyph;
    int index = c - firstCode;
    if (index >= records)
        return g;
    const uint32_t* p = table->getPixels() + int64_t{index} * fieldsPerGlyph;
    auto field = [](uint32_t v) {
        return std::clamp(static_cast<int32_t>(v), -fieldLimit, fieldLimit);
    };
    g.sourceX = field(p[0]);
    g.sourceY = field(p[1]);
    g.width = field(p[2]);
    g.height = field(p[3]);
    g.bearing = field(p[4]);
    g.advance = field(p[5]);
    return g;
}

void NewFontSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    auto imageAt = [&](int i) -> lang::Image* {
        return lang::as<lang::Image>(objects && objects->size() > i ? objects->get(i) : nullptr);
    };
    setImage(imageAt(0));
    setGlyphs(imageAt(1));
    setLocation(ints->get(0), ints->get(1));
    if (ints->size() > 2)
        setAlign(ints->get(2));
    setText(lang::String(""));
}

void NewFontSprite::measureLocked() {
    const lang::Image* table = glyphs.get();
    const int length = text.getLength();
    const char* chars = text.getChars();
    int64_t pen = 0, left = 0, right = 0;
    int64_t bottom = std::max(0, glyphOf(table, ' ').height);
    for (int i = 0; i < length; ++i) {
        Glyph g = glyphOf(table, static_cast<unsigned char>(chars[i]));
        // The first glyph's bearing is dropped so the text starts at x.
        int64_t drawX = i == 0 ? pen : pen + g.bearing;
        pen += i == 0 ? g.advance - g.bearing : g.advance;
        if (g.width > 0 && g.height > 0) {
            left = std::min(left, drawX);
            right = std::max(right, drawX + g.width);
            bottom = std::max<int64_t>(bottom, g.height);
        }
    }
    int64_t measured = pen;
    if (length > 0 && chars[length - 1] != ' ') {
        Glyph last = glyphOf(table, static_cast<unsigned char>(chars[length - 1]));
        int64_t excess = int64_t{last.bearing} + last.width - last.advance;
        if (excess > 0)
            measured += excess;
    }
    Glyph caret = glyphOf(table, '|');
    caretWidth = std::max(0, caret.bearing) + std::max(0, caret.width);
    if (caretOn) {
        right = std::max(right, pen + caretWidth);
        bottom = std::max<int64_t>(bottom, caret.height);
    }
    textWidth = clampExtent(std::max<int64_t>(0, measured));
    inkLeft = clampExtent(left);
    inkRight = clampExtent(std::max(right, measured));
    inkHeight = clampExtent(bottom);
    setSizeQuiet(inkRight - inkLeft, inkHeight);
}

template <class Change>
void NewFontSprite::changeText(Change change) {
    invalidate();
    {
        Synchronized guard(this);
        change();
        measureLocked();
    }
    invalidate();
}

Rectangle NewFontSprite::getBounds() {
    int left, right, h;
    {
        Synchronized guard(this);
        int origin = x - alignShift(align, textWidth);
        left = origin + inkLeft;
        right = origin + inkRight;
        h = inkHeight;
    }
    Rectangle bounds(left, y, right - left, h);
    if (Ref<Rectangle> clip = getClip())
        bounds.intersect(*clip);
    return bounds;
}

void NewFontSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    Ref<lang::Image> font = getImage();
    if (!font)
        return;
    lang::String line;
    Ref<lang::Image> table;
    bool caret;
    int pen;
    {
        Synchronized guard(this);
        line = text;
        table = glyphs;
        caret = caretOn && caretVisible;
        pen = x - alignShift(align, textWidth);
    }
    if (!table)
        return;
    const int top = y;
    auto draw = [&](const Glyph& glyph, int gx) {
        if (glyph.width <= 0 || glyph.height <= 0)
            return;
        Rectangle clip(gx, top, glyph.width, glyph.height);
        paintImage(g, font.get(), gx - glyph.sourceX, top - glyph.sourceY, &clip);
    };
    for (int i = 0; i < line.getLength(); ++i) {
        Glyph glyph = glyphOf(table.get(), static_cast<unsigned char>(line.getChars()[i]));
        draw(glyph, i == 0 ? pen : pen + glyph.bearing);
        pen += i == 0 ? glyph.advance - glyph.bearing : glyph.advance;
    }
    if (caret) {
        Glyph bar = glyphOf(table.get(), '|');
        draw(bar, pen + std::max(0, bar.bearing));
    }
}

bool NewFontSprite::update(int time, Rectangle& rect) {
    bool blink;
    {
        Synchronized guard(this);
        blink = caretOn && time % caretPeriod == 0;
    }
    if (blink)
        changeText([&] { caretVisible = !caretVisible; });
    return Sprite::update(time, rect);
}

Ref<Sprite> NewFontSprite::copy() {
    Ref<NewFontSprite> result = lang::adopt(new NewFontSprite());
    copyInto(*result);
    if (hasFancy()) {
        lang::FancyHelper settings = getFancy();
        result->setTint(settings.level, settings.tintRed, settings.tintGreen, settings.tintBlue);
        result->setShadow(settings.shadowDx, settings.shadowDy, settings.shadow);
    }
    Synchronized guard(this);
    Synchronized targetGuard(result.get());
    result->text = text;
    result->glyphs = glyphs;
    result->align = align;
    result->caretOn = caretOn;
    result->caretVisible = caretVisible;
    result->measureLocked();
    return result;
}

void NewFontSprite::setImage(lang::Image* image) {
    changeText([&] { setImageQuiet(image); });
}

void NewFontSprite::setText(const lang::String& newText) {
    changeText([&] { text = newText; });
}

void NewFontSprite::setCaret(bool on) {
    changeText([&] {
        caretOn = on;
        caretVisible = on;
    });
}

void NewFontSprite::setGlyphs(lang::Image* table) {
    changeText([&] { glyphs = table; });
}

void NewFontSprite::setAlign(int newAlign) {
    changeText([&] { align = newAlign; });
}

lang::String NewFontSprite::getText() {
    Synchronized guard(this);
    return text;
}

bool NewFontSprite::isCaretVisible() {
    Synchronized guard(this);
    return caretVisible;
}

} // namespace engine
