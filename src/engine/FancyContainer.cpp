#include "engine/FancyContainer.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "gfx/Color.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsI.h"
#include "gfx/Region.h"

namespace engine {

using lang::Rectangle;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(FancyContainer);

FancyContainer::FancyContainer() : FancyContainer(1, 1) {}

FancyContainer::FancyContainer(int w, int h) : children(lang::adopt(new lang::Vector(10))) {
    setSizeQuiet(w, h);
    markAllDirty();
}

FancyContainer::~FancyContainer() = default;

void FancyContainer::configure(lang::ObjectArray*, lang::IntArray* ints) {
    if (!ints || ints->size() < 4)
        return;
    setLocation(ints->get(0), ints->get(1));
    setSize(ints->get(2), ints->get(3));
    markAllDirty();
}

bool FancyContainer::update(int time, Rectangle& rect) {
    lang::Region scratch;
    return updateInto(time, rect, scratch);
}

bool FancyContainer::updateInto(int time, Rectangle& rect, lang::Region& region) {
    if (fadingIn) {
        int alpha = getLevel() + fadeStep;
        if (alpha < 128) {
            setLevelQuiet(alpha);
        } else {
            setLevelQuiet(128);
            fadingIn = false;
        }
        invalidate();
    } else if (fadingOut) {
        int alpha = getLevel() - fadeStep;
        if (alpha > 0) {
            setLevelQuiet(alpha);
            invalidate();
        } else {
            // The level keeps its last positive value; the next fade-in
            // starts from 0 anyway.
            setVisible(false);
            fadingOut = false;
        }
    }
    bool result = Sprite::update(time, rect);
    if (result)
        region.add(rect);

    int cx = x, cy = y;
    Rectangle area(0, 0, width, height);
    bool shown = wasVisible;
    bool childChanged = false;
    {
        Synchronized guard(children.get());
        for (int i = 0; i < children->size(); ++i) {
            auto* child = lang::cast<Sprite>(children->elementAtUnchecked(i));
            Rectangle changed;
            if (!child->update(time, changed))
                continue;
            changed.intersect(area);
            if (changed.width <= 0)
                continue;
            {
                Synchronized dirtyGuard(dirtyLock());
                unite(childDirty, changed);
            }
            changed.x += cx;
            changed.y += cy;
            if (shown)
                region.add(changed);
            childChanged = true;
        }
    }
    if (childChanged && shown) {
        Rectangle changed = getChildDirty();
        changed.x += cx;
        changed.y += cy;
        unite(rect, changed);
        return true;
    }
    return result;
}

void FancyContainer::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    if (fadingIn || fadingOut || buffered)
        paintBuffered(g);
    else
        paintDirect(g);
}

void FancyContainer::paintBuffered(lang::Graphics& g) {
    int w = width, h = height;
    if (w <= 0 || h <= 0)
        return;
    Ref<lang::Image> buffer;
    Rectangle area;
    {
        Synchronized guard(dirtyLock());
        if (!offscreen || offscreen->getWidth() != w || offscreen->getHeight() != h) {
            offscreen = lang::adopt(new lang::Image(w, h, 1, false));
            // Areas no child covers stay transparent when the buffer is drawn.
            offscreen->setHasAlpha(true);
            childDirty.setBounds(0, 0, w, h);
        }
        buffer = offscreen;
        area = childDirty;
    }
    if (!buffer->hasPixels())
        return;
    if (!area.isEmpty()) {
        Ref<lang::Graphics> bg = lang::adopt(new lang::GraphicsI(buffer.get()));
        bg->clipRect(area.x, area.y, area.width, area.height);
        if (hasBackground) {
            int rgb = backgroundColour;
            bg->setColor(lang::Color((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
            bg->fillRect(0, 0, w, h);
        } else {
            buffer->clearRect(area.x, area.y, area.width, area.height);
        }
        paintChildren(*bg, nullptr);
        bg->dispose();
        Synchronized guard(dirtyLock());
        childDirty.setBounds(0, 0, 0, 0);
    }
    paintImage(g, buffer.get(), x, y, nullptr);
}

void FancyContainer::paintDirect(lang::Graphics& g) {
    int cx = x, cy = y, w = width, h = height;
    Ref<lang::Graphics> child = g.create();
    if (child) {
        child->clipRect(cx, cy, w, h);
        child->translate(cx, cy);
        if (hasBackground) {
            int rgb = backgroundColour;
            child->setColor(lang::Color((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
            child->fillRect(0, 0, w, h);
        }
        // The clip comes back in the context's own (container) coordinates.
        Ref<lang::Region> clip = child->getClip();
        if (!clip) {
            Ref<lang::Rectangle> bounds = child->getClipBounds();
            clip = lang::adopt(new lang::Region());
            if (bounds)
                clip->add(*bounds);
        }
        paintChildren(*child, clip.get());
        child->translate(-cx, -cy);
        child->dispose();
    }
    Synchronized guard(dirtyLock());
    childDirty.setBounds(0, 0, 0, 0);
}

void FancyContainer::paintChildren(lang::Graphics& g, lang::Region* region) {
    Rectangle dirtyArea = region ? Rectangle() : getChildDirty();
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i) {
        auto* child = lang::cast<Sprite>(children->elementAtUnchecked(i));
        Rectangle bounds = child->getBounds();
        bool meets;
        if (region) {
            meets = region->intersects(bounds);
        } else {
            bounds.intersect(dirtyArea);
            meets = bounds.width > 0;
        }
        if (meets)
            child->paint(g);
    }
}

void FancyContainer::setTint(int level, int red, int green, int blue) {
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i)
        lang::cast<Sprite>(children->elementAtUnchecked(i))->setTint(level, red, green, blue);
}

void FancyContainer::loaded(lang::Object*) {}

void FancyContainer::reloadAll() {
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i)
        lang::cast<Sprite>(children->elementAtUnchecked(i))->reloadImage();
}

void FancyContainer::unloadAll() {
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i)
        lang::cast<Sprite>(children->elementAtUnchecked(i))->unloadImage();
}

void FancyContainer::pauseAll(bool value) {
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i) {
        if (auto* child = lang::as<AnimateSprite>(children->elementAtUnchecked(i)))
            child->setPaused(value);
    }
}

void FancyContainer::add(lang::Object* object) {
    auto* sprite = lang::as<Sprite>(object);
    if (!sprite || sprite == this)
        return;
    Rectangle changed;
    {
        Synchronized guard(children.get());
        // The vector keeps its own reference; hold one while moving the child.
        Ref<lang::Object> keep(object);
        children->removeElement(object);
        children->addElement(object);
        if (!sprite->isVisible())
            return;
        Rectangle bounds = sprite->getBounds();
        Synchronized dirtyGuard(dirtyLock());
        unite(childDirty, bounds);
        changed = childDirty;
    }
    changed.x += x;
    changed.y += y;
    invalidateRect(changed);
}

void FancyContainer::fadeIn() {
    if (fadingIn)
        return;
    if (!fadingOut)
        setLevelQuiet(0);
    fadingOut = false;
    fadingIn = true;
    setVisible(true);
    markAllDirty();
}

void FancyContainer::fadeOut() {
    if (fadingOut)
        return;
    if (!fadingIn)
        setLevelQuiet(128);
    fadingIn = false;
    fadingOut = true;
    setVisible(true);
    markAllDirty();
}

void FancyContainer::markAllDirty() {
    {
        Synchronized guard(dirtyLock());
        childDirty.setBounds(0, 0, width, height);
    }
    invalidate();
}

void FancyContainer::setBackground(int rgb) {
    backgroundColour = rgb;
    hasBackground = true;
    markAllDirty();
}

void FancyContainer::clearBackground() {
    hasBackground = false;
    markAllDirty();
}

Rectangle FancyContainer::getChildDirty() {
    Synchronized guard(dirtyLock());
    return childDirty;
}

void FancyContainer::releaseOffscreen() {
    Synchronized guard(dirtyLock());
    offscreen = nullptr;
}

Ref<lang::Image> FancyContainer::getOffscreen() {
    Synchronized guard(dirtyLock());
    return offscreen;
}

} // namespace engine
