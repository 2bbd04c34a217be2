#include "gfx/Color.h"

namespace lang {

Color::Color(int red, int green, int blue)
    : value(0xFF000000u | ((static_cast<uint32_t>(red) & 0xFF) << 16) |
            ((static_cast<uint32_t>(green) & 0xFF) << 8) | (static_cast<uint32_t>(blue) & 0xFF)) {}

bool Color::equals(const Object* other) const {
    if (other == this)
        return true;
    const Color* c = as<Color>(other);
    return c && c->value == value;
}

} // namespace lang
