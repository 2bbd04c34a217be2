#include "engine/Sprite.h"

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

LANG_REGISTER_CLASS(Sprite);

namespace {

// Positions come from data files and from arithmetic on them; keeping them
// this far inside the integer range lets every sprite add its size, offsets
// and alignment without overflow. Nothing that far off is ever on screen.
constexpr int64_t maxCoordinate = 1 << 24;

int32_t clampCoordinate(int64_t v) {
    return static_cast<int32_t>(std::clamp(v, -maxCoordinate, maxCoordinate));
}

} // namespace

Sprite::Sprite() = default;

Sprite::~Sprite() = default;

void Sprite::unite(Rectangle& target, const Rectangle& addend) {
    if (addend.width <= 0 || addend.height <= 0)
        return;
    if (target.width == 0 || target.height == 0) {
        target = addend;
        return;
    }
    target.add(addend);
}

void Sprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    Ref<lang::Image> picture;
    if (objects && objects->size() > 0) {
        if (auto* source = lang::as<lang::Image>(objects->get(0))) {
            if (auto* mask =
                    lang::as<lang::Image>(objects->size() > 1 ? objects->get(1) : nullptr)) {
                // A masked copy keeps both names, so reloading it can load the
                // picture and the mask again.
                picture = source->copy();
                picture->applyMask(*mask);
            } else {
                picture = source;
            }
        }
    }
    setImage(picture.get());
    setLocation(ints->get(0), ints->get(1));
}

void Sprite::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    Ref<lang::Image> picture = getImage();
    if (picture)
        paintImage(g, picture.get(), x, y, nullptr);
}

void Sprite::paintImage(lang::Graphics& g, lang::Image* picture, int drawX, int drawY,
                        const Rectangle* frameClip) {
    Ref<Rectangle> clip;
    Ref<Rectangle> exclude;
    Ref<lang::FancyHelper> settings;
    {
        Synchronized guard(dirtyLock());
        clip = clipRect;
        exclude = excludeRect;
        if (fancy)
            settings = lang::adopt(new lang::FancyHelper(*fancy));
    }
    lang::Graphics* target = &g;
    Ref<lang::Graphics> child;
    if (clip || exclude || frameClip) {
        child = g.create();
        if (!child)
            return;
        target = child.get();
        if (frameClip)
            target->clipRect(frameClip->x, frameClip->y, frameClip->width, frameClip->height);
        if (clip)
            target->clipRect(clip->x, clip->y, clip->width, clip->height);
        if (exclude)
            target->excludeClipRect(exclude->x, exclude->y, exclude->width, exclude->height);
    }
    lang::FancyHelper* helper = settings ? target->getFancyHelper() : nullptr;
    if (helper) {
        // The context's own settings are the caller's (a container drawing all
        // its children tinted): they come back once this image is drawn.
        const lang::FancyHelper callers(*helper);
        helper->setComposition(*settings);
        target->drawImage(picture, drawX, drawY);
        helper->setComposition(callers);
    } else {
        target->drawImage(picture, drawX, drawY);
    }
    if (child)
        child->dispose();
}

bool Sprite::update(int, Rectangle& rect) {
    if (unloadPending)
        unloadImage();
    wasVisible = visible.load();
    if (!dirty)
        return false;
    Synchronized guard(dirtyLock());
    if (!dirty)
        return false;
    dirty = false;
    unite(rect, dirtyRect);
    dirtyRect.setBounds(0, 0, 0, 0);
    return true;
}

void Sprite::setLocation(int newX, int newY) {
    newX = clampCoordinate(newX);
    newY = clampCoordinate(newY);
    if (newX == x && newY == y)
        return;
    invalidate();
    x = newX;
    y = newY;
    invalidate();
}

void Sprite::setLocationQuiet(int newX, int newY) {
    x = clampCoordinate(newX);
    y = clampCoordinate(newY);
}

void Sprite::moveBy(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return;
    invalidate();
    x = clampCoordinate(int64_t{x} + dx);
    y = clampCoordinate(int64_t{y} + dy);
    invalidate();
}

void Sprite::setVisible(bool value) {
    if (visible == value)
        return;
    invalidate();
    visible = value;
    invalidate();
    // A sprite without extent marks nothing, yet its update notes the change.
    reportChange();
}

void Sprite::setUnloadPending(bool value) {
    unloadPending = value;
    if (value)
        reportChange();
}

bool Sprite::watchSettled(ChangeCounter& changes) {
    if (!isSettled())
        return false;
    if (watcher.get() != &changes) {
        Synchronized guard(dirtyLock());
        watcher = &changes;
    }
    // Again, now that a change from another thread either shows here or
    // reaches the counter.
    return isSettled();
}

void Sprite::reportChange() {
    Synchronized guard(dirtyLock());
    if (watcher)
        watcher->bump();
}

bool Sprite::contains(int px, int py) {
    return getBounds().inside(px, py);
}

Rectangle Sprite::getBounds() {
    int bx = x, by = y, bw = width, bh = height;
    if (bw == -1 || bh == -1)
        return Rectangle(bx, by, 0, 0);
    Rectangle bounds(bx, by, bw, bh);
    Synchronized guard(dirtyLock());
    if (clipRect)
        bounds.intersect(*clipRect);
    return bounds;
}

void Sprite::setUserValue(int value) {
    invalidate();
    userValue = value;
    invalidate();
}

void Sprite::copyInto(Sprite& target) {
    target.visible = visible.load();
    target.wasVisible = visible.load();
    target.width = width.load();
    target.height = height.load();
    target.x = x.load();
    target.y = y.load();
    Synchronized guard(dirtyLock());
    Synchronized targetGuard(target.dirtyLock());
    target.image = image;
    target.clipRect = clipRect ? lang::adopt(new Rectangle(*clipRect)) : nullptr;
    target.excludeRect = excludeRect ? lang::adopt(new Rectangle(*excludeRect)) : nullptr;
}

Ref<Sprite> Sprite::copy() {
    Ref<Sprite> result = lang::adopt(new Sprite());
    copyInto(*result);
    return result;
}

void Sprite::setClip(const Rectangle* rect) {
    invalidate();
    {
        Synchronized guard(dirtyLock());
        clipRect = rect ? lang::adopt(new Rectangle(*rect)) : nullptr;
    }
    invalidate();
}

Ref<Rectangle> Sprite::getClip() {
    Synchronized guard(dirtyLock());
    return clipRect ? lang::adopt(new Rectangle(*clipRect)) : nullptr;
}

void Sprite::setExcludeRect(const Rectangle* rect) {
    Synchronized guard(dirtyLock());
    excludeRect = rect ? lang::adopt(new Rectangle(*rect)) : nullptr;
}

void Sprite::setImage(lang::Image* picture) {
    invalidate();
    setImageQuiet(picture);
    invalidate();
}

void Sprite::setImageQuiet(lang::Image* picture) {
    Synchronized guard(dirtyLock());
    image = picture;
    width = picture ? picture->getWidth() : 0;
    height = picture ? picture->getHeight() : 0;
    markComposedLocked();
}

void Sprite::markComposedLocked() {
    // Composition settings blend the image through its alpha. The flag is set
    // here, by whoever changes the sprite, never by the render thread while
    // another thread may be reading it.
    if (fancy && image)
        image->setHasAlpha(true);
}

Ref<lang::Image> Sprite::getImage() {
    Synchronized guard(dirtyLock());
    return image;
}

void Sprite::setSize(int newWidth, int newHeight) {
    if (newWidth == width && newHeight == height)
        return;
    invalidate();
    width = newWidth;
    height = newHeight;
    invalidate();
}

bool Sprite::findEdge(int& px, int& py, int side, int alphaMin) {
    Ref<lang::Image> picture = getImage();
    if (!picture || !picture->hasPixels())
        return false;
    const uint32_t* pixels = picture->getPixels();
    int w = picture->getWidth(), h = picture->getHeight();
    auto alphaAt = [&](int col, int row) { return static_cast<int>(pixels[row * w + col] >> 24); };
    switch (side) {
    case 'T':
    case 'B': {
        int col = px - x;
        if (col < 0 || col >= w)
            return false;
        for (int i = 0; i < h; ++i) {
            int row = side == 'T' ? i : h - 1 - i;
            if (alphaAt(col, row) >= alphaMin) {
                py = y + row;
                return true;
            }
        }
        return false;
    }
    case 'L':
    case 'R': {
        int row = py - y;
        if (row < 0 || row >= h)
            return false;
        for (int i = 0; i < w; ++i) {
            int col = side == 'L' ? i : w - 1 - i;
            if (alphaAt(col, row) >= alphaMin) {
                px = x + col;
                return true;
            }
        }
        return false;
    }
    default:
        return false;
    }
}

bool Sprite::hitPixel(int px, int py) {
    Ref<lang::Image> picture = getImage();
    if (!picture || !picture->hasPixels())
        return false;
    int col = px - x, row = py - y;
    if (col < 0 || row < 0 || col >= picture->getWidth() || row >= picture->getHeight())
        return false;
    return (picture->getPixels()[row * picture->getWidth() + col] >> 24) != 0;
}

void Sprite::setTint(int level, int red, int green, int blue) {
    {
        Synchronized guard(dirtyLock());
        if (!fancy)
            fancy = lang::adopt(new lang::FancyHelper());
        fancy->setTint(level, red, green, blue);
        markComposedLocked();
    }
    invalidate();
}

bool Sprite::setShadow(int dx, int dy, bool on) {
    Synchronized guard(dirtyLock());
    if (!fancy)
        fancy = lang::adopt(new lang::FancyHelper());
    fancy->shadowDx = dx;
    fancy->shadowDy = dy;
    fancy->shadow = on;
    markComposedLocked();
    return true;
}

int Sprite::getLevel() {
    Synchronized guard(dirtyLock());
    return fancy ? fancy->level : 128;
}

bool Sprite::hasFancy() {
    Synchronized guard(dirtyLock());
    return static_cast<bool>(fancy);
}

void Sprite::setLevelQuiet(int level) {
    Synchronized guard(dirtyLock());
    if (!fancy)
        fancy = lang::adopt(new lang::FancyHelper());
    fancy->level = level;
    markComposedLocked();
}

lang::FancyHelper Sprite::getFancy() {
    Synchronized guard(dirtyLock());
    return fancy ? lang::FancyHelper(*fancy) : lang::FancyHelper();
}

void Sprite::unloadImage() {
    unloadPending = false;
    Ref<lang::Image> picture = getImage();
    if (picture)
        picture->dispose();
}

void Sprite::reloadImage() {
    unloadPending = false;
    Ref<lang::Image> picture = getImage();
    if (!picture)
        return;
    picture->reload();
    // Reloaded pixels come with the flag of their file.
    Synchronized guard(dirtyLock());
    markComposedLocked();
}

void Sprite::invalidateRect(const Rectangle& rect) {
    Synchronized guard(dirtyLock());
    unite(dirtyRect, rect);
    dirty = true;
    if (watcher)
        watcher->bump();
}

void Sprite::invalidate() {
    if (!visible)
        return;
    Rectangle bounds = getBounds();
    if (bounds.width > 0)
        invalidateRect(bounds);
}

Rectangle Sprite::getDirtyRect() {
    Synchronized guard(dirtyLock());
    return dirtyRect;
}

} // namespace engine
