#include "game/WaterSprite.h"

#include "core/Class.h"
#include "gfx/Region.h"

namespace ripple {

LANG_REGISTER_CLASS(WaterSprite);

WaterSprite::WaterSprite() = default;
WaterSprite::~WaterSprite() = default;

void WaterSprite::paint(lang::Graphics& g) {
    AnimateSprite::paint(g);
    lastPainted = getBounds();
}

bool WaterSprite::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    bool changed = update(time, rect);
    if (!changed)
        return false;
    // The region gets each area exactly; `rect` only their bounds, which the
    // canvas needs to know that (and roughly where) anything is to be painted.
    if (lastPainted.width > 0 && lastPainted.height > 0) {
        region.add(lastPainted);
        unite(rect, lastPainted);
        lastPainted.width = 0;
    }
    lang::Rectangle now = getBounds();
    if (now.x != lastPainted.x || now.y != lastPainted.y || now.width != lastPainted.width ||
        now.height != lastPainted.height) {
        region.add(now);
        unite(rect, now);
    }
    return true;
}

void WaterSprite::invalidateRect(const lang::Rectangle&) {
    // An area without extent changes nothing but the flag.
    AnimateSprite::invalidateRect(lang::Rectangle());
}

lang::Ref<engine::Sprite> WaterSprite::copy() {
    lang::Ref<WaterSprite> result = lang::adopt(new WaterSprite());
    copyAnimationInto(*result);
    return result;
}

} // namespace ripple
