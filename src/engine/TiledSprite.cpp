#include "engine/TiledSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Color.h"
#include "gfx/Graphics.h"

#include <algorithm>

namespace engine {

using lang::Rectangle;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(TiledSprite);

namespace {

// The smallest k with k * step >= n, for step > 0.
int64_t ceilDiv(int64_t n, int64_t step) {
    return n >= 0 ? (n + step - 1) / step : -((-n) / step);
}

// Whether tiles of `picture` spaced by the gaps advance on both axes. An
// image without pixels has no size to judge by and draws nothing anyway.
bool stepsAdvance(const lang::Image* picture, int64_t gx, int64_t gy) {
    if (!picture || !picture->hasPixels())
        return true;
    return picture->getWidth() + gx > 0 && picture->getHeight() + gy > 0;
}

} // namespace

TiledSprite::TiledSprite() = default;

TiledSprite::~TiledSprite() = default;

void TiledSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints)
        return;
    const int n = ints->size();
    const bool withImage = objects && objects->size() > 0;
    // The first int of the shared tail: position, size, offsets, gaps.
    const int base = withImage ? 0 : 3;
    if (n < base + 4)
        return;
    lang::Image* picture = nullptr;
    if (withImage) {
        if (auto* first = lang::as<lang::Image>(objects->get(0)))
            picture = first;
    }
    const bool hasOffsets = n >= base + 6;
    const bool hasGaps = n >= base + 8;
    const int newGapX = hasGaps ? ints->get(base + 6) : gapX.load();
    const int newGapY = hasGaps ? ints->get(base + 7) : gapY.load();
    // Such data would keep the tile loops from ever ending; the whole entry
    // is refused, as with too few ints.
    if (withImage && !stepsAdvance(picture, newGapX, newGapY))
        return;

    if (withImage)
        setImage(picture);
    else
        setColour(lang::Color(ints->get(0), ints->get(1), ints->get(2)));
    setLocation(ints->get(base), ints->get(base + 1));
    setSize(ints->get(base + 2), ints->get(base + 3));
    if (hasOffsets)
        setOffset(ints->get(base + 4), ints->get(base + 5));
    if (hasGaps)
        setGap(newGapX, newGapY);
}

void TiledSprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    Ref<lang::Image> picture = getImage();
    if (picture) {
        paintTiles(g, picture.get());
        return;
    }
    Rectangle area(x, y, width, height);
    if (Ref<Rectangle> clip = getClip())
        area.intersect(*clip);
    if (area.isEmpty())
        return;
    g.setColor(lang::Color(colour.load()));
    g.fillRect(area.x, area.y, area.width, area.height);
}

void TiledSprite::paintTiles(lang::Graphics& g, lang::Image* picture) {
    if (!picture->hasPixels())
        return;
    const int left = x, top = y, w = width, h = height;
    const int64_t tileW = picture->getWidth(), tileH = picture->getHeight();
    const int64_t stepX = tileW + gapX, stepY = tileH + gapY;
    if (stepX <= 0 || stepY <= 0)
        return;
    Ref<lang::Graphics> child = g.create();
    if (!child)
        return;
    child->clipRect(left, top, w, h);
    Ref<Rectangle> visible = child->getClipBounds();
    if (visible && !visible->isEmpty()) {
        // Only the tiles that reach into the visible part are drawn, so a huge
        // rectangle of tiny tiles costs no more than the area on screen.
        const int64_t ox = offsetX, oy = offsetY;
        const int64_t endA = std::min<int64_t>(w, int64_t{visible->x} + visible->width - left);
        const int64_t endB = std::min<int64_t>(h, int64_t{visible->y} + visible->height - top);
        const int64_t firstA =
            ox + stepX * std::max<int64_t>(0, ceilDiv(visible->x - left - ox - tileW + 1, stepX));
        const int64_t firstB =
            oy + stepY * std::max<int64_t>(0, ceilDiv(visible->y - top - oy - tileH + 1, stepY));
        // Column by column: overlapping tiles (negative gaps) stack in this order.
        for (int64_t a = firstA; a < endA; a += stepX)
            for (int64_t b = firstB; b < endB; b += stepY)
                paintImage(*child, picture, static_cast<int>(left + a), static_cast<int>(top + b),
                           nullptr);
    }
    child->dispose();
}

bool TiledSprite::update(int time, Rectangle& rect) {
    SpriteListener* target = nullptr;
    Ref<lang::String> name;
    {
        Synchronized guard(this);
        if (fadeSteps > 0) {
            // Without settings of its own the sprite is at full opacity; taking
            // the target as the start would end every fade in its first step.
            const int current = getLevel();
            invalidate();
            if (fadeSteps == 1) {
                // A fade to full opacity need not create settings.
                if (targetAlpha != 128 || hasFancy())
                    setLevelQuiet(targetAlpha);
                fadeSteps = 0;
                if (listener && eventName) {
                    target = listener;
                    name = eventName;
                }
            } else {
                setLevelQuiet(current + (targetAlpha - current) / fadeSteps);
                --fadeSteps;
            }
            invalidate();
        }
    }
    const bool result = Sprite::update(time, rect);
    if (target)
        target->postEvent(this, *name);
    return result;
}

Ref<Sprite> TiledSprite::copy() {
    Ref<TiledSprite> result = lang::adopt(new TiledSprite());
    copyInto(*result);
    if (hasFancy()) {
        lang::FancyHelper settings = getFancy();
        result->Sprite::setTint(settings.level, settings.tintRed, settings.tintGreen,
                                settings.tintBlue);
        result->setShadow(settings.shadowDx, settings.shadowDy, settings.shadow);
    }
    result->colour = colour.load();
    result->offsetX = offsetX.load();
    result->offsetY = offsetY.load();
    result->gapX = gapX.load();
    result->gapY = gapY.load();
    Synchronized guard(this);
    result->targetAlpha = targetAlpha;
    result->fadeSteps = fadeSteps;
    result->listener = listener;
    result->eventName = eventName;
    return result;
}

void TiledSprite::setImage(lang::Image* picture) {
    invalidate();
    {
        Synchronized guard(dirtyLock());
        const int keptWidth = width, keptHeight = height;
        setImageQuiet(picture);
        setSizeQuiet(keptWidth, keptHeight);
    }
    invalidate();
}

void TiledSprite::setColour(const lang::Color& newColour) {
    invalidate();
    colour = newColour.getRGB();
    invalidate();
}

void TiledSprite::setGap(int newGapX, int newGapY) {
    invalidate();
    gapX = newGapX;
    gapY = newGapY;
    invalidate();
}

void TiledSprite::setOffset(int newOffsetX, int newOffsetY) {
    invalidate();
    offsetX = newOffsetX;
    offsetY = newOffsetY;
    invalidate();
}

void TiledSprite::setSize(int newWidth, int newHeight) {
    Sprite::setSize(newWidth, newHeight);
}

void TiledSprite::fadeTo(int alpha, int steps) {
    Synchronized guard(this);
    targetAlpha = alpha;
    if (steps != -1)
        fadeSteps = steps;
    if (fadeSteps == 0)
        fadeSteps = 1;
}

void TiledSprite::setListener(SpriteListener* newListener, const lang::String& name) {
    Synchronized guard(this);
    listener = newListener;
    eventName = lang::adopt(new lang::String(name));
}

int TiledSprite::getTargetAlpha() {
    Synchronized guard(this);
    return targetAlpha;
}

int TiledSprite::getFadeSteps() {
    Synchronized guard(this);
    return fadeSteps;
}

} // namespace engine
