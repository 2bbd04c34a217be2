#include "engine/SpriteBase.h"

#include "gfx/Rectangle.h"
#include "gfx/Region.h"

namespace engine {

void SpriteBase::notify(lang::Object*, const lang::String&) {}

bool SpriteBase::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (!update(time, rect))
        return false;
    region.add(rect);
    return true;
}

} // namespace engine
