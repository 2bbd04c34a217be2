#include "gfx/Point.h"

namespace lang {

bool Point::equals(const Object* other) const {
    if (other == this)
        return true;
    if (!other || !other->instanceOf("Point"))
        return false;
    const Point* p = static_cast<const Point*>(other);
    return p->x == x && p->y == y;
}

int Point::hashCode() const {
    return static_cast<int>((static_cast<uint32_t>(x) << 16) + static_cast<uint32_t>(y));
}

bool Point::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "Point") || Object::instanceOf(className);
}

} // namespace lang
