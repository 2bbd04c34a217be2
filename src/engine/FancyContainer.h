#pragma once

#include "engine/Sprite.h"

namespace lang {
class Vector;
}

namespace engine {

// A sprite holding an ordered list of child sprites in its own coordinate
// space (index 0 is drawn first). It collects the children's changes into
// `childDirty`, paints them directly or through an off-screen buffer (while
// it fades, or when marked buffered), fades as a whole through its opacity
// level, and fans pause, unload, reload and tint requests out to them.
//
// The children vector's monitor is the children lock; it is held while the
// list is iterated, so another thread may add children while the render
// thread draws.
class FancyContainer : public Sprite {
    LANG_CLASS(FancyContainer, Sprite);

    // A 1 x 1 container; the whole area starts dirty.
    FancyContainer();
    FancyContainer(int width, int height);
    ~FancyContainer() override;

    // ints[0], ints[1] the position, ints[2], ints[3] the size; all required.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    void paint(lang::Graphics& g) override;
    // Advances the fade, then updates every child; the children's changes in
    // parent coordinates go into `region`.
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;
    bool update(int time, lang::Rectangle& rect) override;
    // Forwards the values to every child.
    void setTint(int level, int red, int green, int blue) override;

    // Called once the container's children were created from a data file.
    virtual void loaded(lang::Object* loader);
    virtual void reloadAll();
    virtual void unloadAll();
    virtual void pauseAll(bool paused);
    // Paints, in order, every child whose bounds meet `region`, or without a
    // region, meet `childDirty`. `g` is in container coordinates.
    virtual void paintChildren(lang::Graphics& g, lang::Region* region);

    // Appends a sprite (anything else is ignored); a child added again moves
    // to the top. A visible child's area is repainted.
    void add(lang::Object* sprite);
    void fadeIn();
    void fadeOut();
    // Makes the whole container area dirty.
    void markAllDirty();

    void setBackground(int rgb);
    void clearBackground();
    void setBuffered(bool value) { buffered = value; }
    void setFadeStep(int step) { fadeStep = step; }
    bool isFadingIn() const { return fadingIn; }
    bool isFadingOut() const { return fadingOut; }
    lang::Vector* getChildren() const { return children.get(); }
    // A copy of the children's pending changed area, in container coordinates.
    lang::Rectangle getChildDirty();
    // The off-screen buffer, or null before the first buffered paint.
    lang::Ref<lang::Image> getOffscreen();

protected:
    // Frees the off-screen buffer; the next buffered paint creates a new one.
    void releaseOffscreen();

    lang::Ref<lang::Vector> children;

private:
    void paintBuffered(lang::Graphics& g);
    void paintDirect(lang::Graphics& g);

    std::atomic<int32_t> backgroundColour{0};
    std::atomic<bool> hasBackground{false};
    std::atomic<int32_t> fadeStep{20};
    std::atomic<bool> fadingIn{false};
    std::atomic<bool> fadingOut{false};
    // Guarded by the dirty lock.
    lang::Rectangle childDirty;
    std::atomic<bool> buffered{false};
    lang::Ref<lang::Image> offscreen;
};

} // namespace engine
