#include "gfx/Point.h"

namespace lang {

bool Point::equals(const Object* other) const {
    if (other == this)
        return true;
    const Point* p = as<Point>(other);
    return p && p->x == x && p->y == y;
}

int Point::hashCode() const {
    return static_cast<int>((static_cast<uint32_t>(x) << 16) + static_cast<uint32_t>(y));
}

} // namespace lang
