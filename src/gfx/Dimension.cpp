#include "gfx/Dimension.h"

namespace lang {

bool Dimension::equals(const Object* other) const {
    if (other == this)
        return true;
    const Dimension* d = as<Dimension>(other);
    return d && d->width == width && d->height == height;
}

int Dimension::hashCode() const {
    return static_cast<int>((static_cast<uint32_t>(width) << 16) + static_cast<uint32_t>(height));
}

} // namespace lang
