#include "engine/RectButtonSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"

namespace engine {

using lang::Rectangle;

LANG_REGISTER_CLASS(RectButtonSprite);

RectButtonSprite::RectButtonSprite() = default;

RectButtonSprite::~RectButtonSprite() = default;

void RectButtonSprite::configure(lang::ObjectArray*, lang::IntArray* ints) {
    if (!ints || ints->size() < 4)
        return;
    setLocation(ints->get(0), ints->get(1));
    setSize(ints->get(2), ints->get(3));
    if (ints->size() > 4)
        setState(ints->get(4));
}

void RectButtonSprite::paint(lang::Graphics&) {}

void RectButtonSprite::setSize(int w, int h) {
    hotWidth = w;
    hotHeight = h;
    Sprite::setSize(w, h);
}

bool RectButtonSprite::contains(int px, int py) {
    return getBounds().inside(px, py);
}

bool RectButtonSprite::hitPixel(int px, int py) {
    return contains(px, py);
}

Rectangle RectButtonSprite::getBounds() {
    return Rectangle(x, y, hotWidth, hotHeight);
}

void RectButtonSprite::invalidateRect(const Rectangle&) {}

} // namespace engine
