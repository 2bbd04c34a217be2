#include "game/RippleBigBall.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Graphics.h"

#include <algorithm>

namespace ripple {

LANG_REGISTER_CLASS(RippleBigBall);

RippleBigBall::RippleBigBall() = default;
RippleBigBall::~RippleBigBall() = default;

void RippleBigBall::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 2)
        return;
    setImage(lang::as<lang::Image>(objects && objects->size() > 0 ? objects->get(0) : nullptr));
    setOverlay(lang::as<lang::Image>(objects && objects->size() > 1 ? objects->get(1) : nullptr));
    setSize(width / columns, height / rows);
    setColour(ints->size() > 2 ? ints->get(2) : 0);
    setCentre(ints->get(0), ints->get(1));
}

lang::Ref<engine::Sprite> RippleBigBall::copy() {
    lang::Ref<RippleBigBall> ball = lang::adopt(new RippleBigBall());
    copyInto(*ball);
    ball->overlay = overlay;
    ball->colour = colour;
    return ball;
}

void RippleBigBall::setColour(int newColour) {
    invalidate();
    colour = std::clamp(newColour, 0, rows - 1);
    column = 0;
    ticks = 0;
    invalidate();
}

void RippleBigBall::setCentre(int cx, int cy) {
    setLocation(cx - width / 2, cy - height / 2);
}

void RippleBigBall::setOverlay(lang::Image* image) {
    invalidate();
    overlay = image;
    invalidate();
}

bool RippleBigBall::update(int time, lang::Rectangle& rect) {
    if (++ticks > waitTicks && column < columns - 1) {
        invalidate();
        ++column;
    }
    return Sprite::update(time, rect);
}

lang::Rectangle RippleBigBall::getBounds() {
    lang::Rectangle bounds = Sprite::getBounds();
    lang::Ref<lang::Image> over = overlay;
    if (over && over->getWidth() > 0 && over->getHeight() > 0)
        unite(bounds, lang::Rectangle(x + width / 2 - over->getWidth() / 2,
                                      y + height / 2 - over->getHeight() / 2, over->getWidth(),
                                      over->getHeight()));
    return bounds;
}

void RippleBigBall::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    lang::Ref<lang::Image> sheet = getImage();
    int px = x, py = y, w = width, h = height;
    if (sheet && w > 0 && h > 0) {
        lang::Rectangle cell(px, py, w, h);
        paintImage(g, sheet.get(), px - column * w, py - colour * h, &cell);
    }
    if (overlay)
        paintImage(g, overlay.get(), px + w / 2 - overlay->getWidth() / 2,
                   py + h / 2 - overlay->getHeight() / 2, nullptr);
}

} // namespace ripple
