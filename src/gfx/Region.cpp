#include "gfx/Region.h"

#include "gfx/Rectangle.h"

namespace lang {

Region::Region(const Region& other) : Object() {
    if (other.handle)
        handle = std::make_unique<platform::PixelRegion>(*other.handle);
}

Region::~Region() = default;

void Region::add(int x, int y, int w, int h) {
    if (!handle) {
        // The first rectangle becomes the region, even an empty one.
        handle = std::make_unique<platform::PixelRegion>(x, y, w, h);
        return;
    }
    handle->unite(x, y, w, h);
}

void Region::add(const Rectangle& r) {
    add(r.x, r.y, r.width, r.height);
}

void Region::offset(int dx, int dy) {
    if (handle)
        handle->translate(dx, dy);
}

void Region::clear() {
    handle.reset();
}

bool Region::intersects(const Rectangle& r) const {
    if (r.width <= 0 || r.height <= 0)
        return false;
    if (!handle)
        return true;
    return handle->intersects(r.x, r.y, r.width, r.height);
}

void Region::set(const platform::PixelRegion& pixels) {
    handle = std::make_unique<platform::PixelRegion>(pixels);
}

} // namespace lang
