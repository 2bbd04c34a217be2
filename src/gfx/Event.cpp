#include "gfx/Event.h"

#include "core/String.h"
#include "platform/MessageLoop.h"

#include <cstdio>

namespace lang {

Event::Event(Object* source, int32_t id, int32_t x, int32_t y, int32_t modifiers)
    : id(id), x(x), y(y), modifiers(modifiers), when(platform::messageClockNow()), source(source),
      target(source) {}

Event::Event(Object* source, int32_t id, Object* arg)
    : id(id), when(platform::messageClockNow()), source(source), target(source), arg(arg) {}

Ref<String> Event::toString() const {
    char text[96];
    std::snprintf(text, sizeof text, "lang.Event[id=%d,x=%d,y=%d,key=%d,mods=%d,clicks=%d]", id, x,
                  y, key, modifiers, clickCount);
    return adopt(new String(text));
}

} // namespace lang
