#pragma once

#include "engine/SpriteBase.h"
#include "gfx/FancyHelper.h"
#include "gfx/Image.h"
#include "gfx/Rectangle.h"

#include <atomic>
#include <cstdint>
#include <typeinfo>

namespace engine {

// A sprite with an image, a position, a size, optional clip and exclusion
// rectangles, composition settings (tint, level, shadow) and dirty tracking.
//
// Every visible change follows one rule: invalidate the old area, change the
// field, invalidate the new area. The game thread changes sprites while the
// render thread updates and paints them: the plain values are atomics, and
// the dirty rectangle, the image, the clip rectangles and the composition
// settings are guarded by the dirty lock (the monitor of `dirtyRect`), which
// comes after the lock of any sprite list in the lock order.
class Sprite : public SpriteBase {
    LANG_CLASS(Sprite, SpriteBase);

    Sprite();
    ~Sprite() override;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // objects[0] is the image; with a second object the image is a copy of
    // the first with the second applied as its mask. ints[0], ints[1] are
    // the position; without them nothing is configured.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    bool update(int time, lang::Rectangle& rect) override;
    bool isSettled() override { return typeid(*this) == typeid(Sprite) && isResting(); }
    bool watchSettled(ChangeCounter& changes) override;
    void setLocation(int x, int y) override;
    void setLocationQuiet(int x, int y) override;
    void moveBy(int dx, int dy) override;
    void setVisible(bool visible) override;
    bool contains(int x, int y) override;
    // (x, y, width, height), intersected with the clip rectangle; (x, y, 0, 0)
    // when the sprite has no extent (width or height -1).
    lang::Rectangle getBounds() override;
    bool isVisible() const override { return visible; }

    virtual int getX() const { return x; }
    virtual int getY() const { return y; }
    virtual int getWidth() const { return width; }
    virtual int getHeight() const { return height; }
    virtual void setUserValue(int value);
    // A new plain Sprite with this one's visibility, size, position, image
    // (shared) and clip rectangles (copied). The caller owns it.
    virtual lang::Ref<Sprite> copy();
    // Copies `rect` (null drops the clip).
    virtual void setClip(const lang::Rectangle* rect);
    // A copy of the clip rectangle, or null.
    virtual lang::Ref<lang::Rectangle> getClip();
    // Copies `rect` (null drops it); the area is cut out of what paint draws.
    virtual void setExcludeRect(const lang::Rectangle* rect);
    // Takes width and height from the image (0 for null).
    virtual void setImage(lang::Image* image);
    // Scans the image from side 'T', 'B' (along the column at parent x) or
    // 'L', 'R' (along the row at parent y) for the first pixel whose alpha is
    // at least alphaMin; writes its parent coordinate and returns true.
    virtual bool findEdge(int& px, int& py, int side, int alphaMin);
    // True when (px, py) in parent space lies on a pixel with non-zero alpha.
    virtual bool hitPixel(int px, int py);
    virtual void setTint(int level, int red, int green, int blue);
    virtual bool setShadow(int dx, int dy, bool on);
    // Opacity 0..128; 128 without composition settings.
    virtual int getLevel();
    virtual void unloadImage();
    virtual void reloadImage();
    virtual void invalidateRect(const lang::Rectangle& rect);
    virtual void invalidate();

    lang::Ref<lang::Image> getImage();
    // Asks the next update to free the image's pixels.
    void setUnloadPending(bool value);
    bool isUnloadPending() const { return unloadPending; }
    int getUserValue() const { return userValue; }
    bool getWasVisible() const { return wasVisible; }
    bool isDirty() const { return dirty; }
    // A copy of the pending dirty rectangle.
    lang::Rectangle getDirtyRect();
    // A copy of the composition settings (defaults when there are none).
    lang::FancyHelper getFancy();

    // Unites `addend` into `target`: an addend without area is ignored, an
    // empty target takes the addend as it is.
    static void unite(lang::Rectangle& target, const lang::Rectangle& addend);

protected:
    // How far left of its anchor a run `width` wide starts for alignment
    // 0 (left), 1 (centre) or 2 (right) of the text and number sprites.
    static int alignShift(int align, int width) {
        return align == 1 ? width / 2 : align == 2 ? width : 0;
    }
    // Nothing for Sprite::update to do: not dirty, no unload asked for, the
    // visibility painted is the current one.
    bool isResting() const { return !dirty && !unloadPending && wasVisible == visible; }
    // Paints `image` at (drawX, drawY) with this sprite's clip and exclusion
    // rectangles and composition settings; `frameClip`, when given, narrows
    // the clip further.
    void paintImage(lang::Graphics& g, lang::Image* image, int drawX, int drawY,
                    const lang::Rectangle* frameClip);
    // Replaces the image and takes its size, without repainting.
    void setImageQuiet(lang::Image* image);
    // Repaints around a change of size.
    void setSize(int newWidth, int newHeight);
    void setSizeQuiet(int newWidth, int newHeight) {
        width = newWidth;
        height = newHeight;
    }
    // Sets the opacity level without repainting, creating the settings.
    void setLevelQuiet(int level);
    // Copies this sprite's Sprite fields into `target`.
    void copyInto(Sprite& target);
    // The dirty lock.
    const lang::Object* dirtyLock() const { return &dirtyRect; }
    bool hasFancy();
    // Flags the image as having alpha when the sprite has composition
    // settings; called with the dirty lock held.
    void markComposedLocked();
    // Tells the watching canvas, if any, of a change the sprite's next
    // update must see; after the change, and without the dirty lock.
    void reportChange();

    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
    std::atomic<int32_t> width{0};
    std::atomic<int32_t> height{0};
    std::atomic<bool> wasVisible{true};
    std::atomic<bool> visible{true};

private:
    lang::Ref<lang::Image> image;
    lang::Ref<lang::Rectangle> clipRect;
    lang::Ref<lang::Rectangle> excludeRect;
    std::atomic<int32_t> userValue{0};
    lang::Ref<lang::FancyHelper> fancy;
    std::atomic<bool> unloadPending{false};
    std::atomic<bool> dirty{false};
    lang::Rectangle dirtyRect;
    // The canvas's count of changes once it leaves this sprite out of its
    // frames. Guarded by the dirty lock; the updating thread, its only
    // writer, also reads it alone.
    lang::Ref<ChangeCounter> watcher;
};

} // namespace engine
