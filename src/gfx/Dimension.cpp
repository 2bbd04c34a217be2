#include "gfx/Dimension.h"

namespace lang {

bool Dimension::equals(const Object* other) const {
    if (other == this)
        return true;
    if (!other || !other->instanceOf("Dimension"))
        return false;
    const Dimension* d = static_cast<const Dimension*>(other);
    return d->width == width && d->height == height;
}

int Dimension::hashCode() const {
    return static_cast<int>((static_cast<uint32_t>(width) << 16) + static_cast<uint32_t>(height));
}

bool Dimension::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "Dimension") || Object::instanceOf(className);
}

} // namespace lang
