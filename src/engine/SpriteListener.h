#pragma once

namespace lang {
class Object;
class String;
} // namespace lang

namespace engine {

// Receives the named completion events of sprites (a finished move, fade or
// finite animation). The canvas implements it and turns each call into its
// command(source, name); the sprite does not count its listener.
//
// Called on the thread that updates the sprite (the render thread), after the
// sprite has released its own locks.
class SpriteListener {
public:
    virtual void postEvent(lang::Object* source, const lang::String& name) = 0;

protected:
    ~SpriteListener() = default;
};

} // namespace engine
