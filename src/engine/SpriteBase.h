#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <atomic>
#include <cstdint>

namespace lang {
class Graphics;
class IntArray;
class ObjectArray;
class Rectangle;
class Region;
} // namespace lang

namespace engine {

// A count of changes, bumped by the sprites a canvas no longer updates every
// frame (see SpriteBase::watchSettled): any bump brings them back.
class ChangeCounter : public lang::Object {
    LANG_CLASS(ChangeCounter, lang::Object);

    void bump() { count.fetch_add(1); }
    uint32_t get() const { return count.load(); }

private:
    std::atomic<uint32_t> count{0};
};

// Root of every sprite: the sprite's name and the operations the render
// thread and the data loader drive. Coordinates are in the parent's space.
class SpriteBase : public lang::Object {
    LANG_CLASS(SpriteBase, lang::Object);

    using lang::Object::notify;

    // Takes the data file's arguments: images (or null) and integers.
    virtual void configure(lang::ObjectArray* objects, lang::IntArray* ints) = 0;
    virtual void paint(lang::Graphics& g) = 0;
    // Frame timers call this on their target; nothing happens here.
    virtual void notify(lang::Object* source, const lang::String& name);
    // update(); when it reports a change, `rect` is also added to `region`.
    virtual bool updateInto(int time, lang::Rectangle& rect, lang::Region& region);
    // Advances the sprite to `time` (the frame counter) and unites the area
    // that must be redrawn into `rect`; true when there is such an area.
    virtual bool update(int time, lang::Rectangle& rect) = 0;
    // True when, after an update, the next update would change nothing until
    // one of the sprite's setters is called. False unless a class knows
    // better; a class answers only for itself, not for the classes derived
    // from it, whose updates may do more.
    virtual bool isSettled() { return false; }
    // After an update, on the thread that updates: when the sprite is
    // settled, from now on every change that could give its update work
    // bumps `changes`, and true; the canvas may then leave the sprite out of
    // its frames until `changes` moves.
    virtual bool watchSettled(ChangeCounter& changes) {
        (void)changes;
        return false;
    }
    virtual void setLocation(int x, int y) = 0;
    virtual void setLocationQuiet(int x, int y) = 0;
    virtual void moveBy(int dx, int dy) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool contains(int x, int y) = 0;
    virtual lang::Rectangle getBounds() = 0;
    virtual bool isVisible() const = 0;

    const lang::String& getName() const { return name; }
    void setName(const lang::String& newName) { name = newName; }

private:
    lang::String name;
};

} // namespace engine
