#include "gfx/Rectangle.h"

#include <algorithm>

namespace lang {

int Rectangle::hashCode() const {
    uint32_t h = (static_cast<uint32_t>(x) << 24) + (static_cast<uint32_t>(y) << 16) +
                 (static_cast<uint32_t>(width) << 8) + static_cast<uint32_t>(height);
    return static_cast<int>(h);
}

bool Rectangle::equals(const Object* other) const {
    if (other == this)
        return true;
    const Rectangle* r = as<Rectangle>(other);
    return r && r->x == x && r->y == y && r->width == width && r->height == height;
}

void Rectangle::add(const Rectangle& r) {
    int64_t left = std::min(x, r.x), top = std::min(y, r.y);
    int64_t right = std::max(int64_t{x} + width, int64_t{r.x} + r.width);
    int64_t bottom = std::max(int64_t{y} + height, int64_t{r.y} + r.height);
    x = static_cast<int32_t>(left);
    y = static_cast<int32_t>(top);
    width = static_cast<int32_t>(std::min<int64_t>(right - left, INT32_MAX));
    height = static_cast<int32_t>(std::min<int64_t>(bottom - top, INT32_MAX));
}

void Rectangle::intersect(const Rectangle& r) {
    int64_t left = std::max(x, r.x), top = std::max(y, r.y);
    int64_t right = std::min(int64_t{x} + width, int64_t{r.x} + r.width);
    int64_t bottom = std::min(int64_t{y} + height, int64_t{r.y} + r.height);
    if (right <= left || bottom <= top) {
        setBounds(0, 0, 0, 0);
        return;
    }
    setBounds(static_cast<int32_t>(left), static_cast<int32_t>(top),
              static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
}

bool Rectangle::inside(int px, int py) const {
    return px >= x && py >= y && int64_t{px} < int64_t{x} + width &&
           int64_t{py} < int64_t{y} + height;
}

} // namespace lang
