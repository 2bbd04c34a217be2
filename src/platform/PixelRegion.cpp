#include "platform/PixelRegion.h"

#include <pixman.h>

#include <algorithm>
#include <cstdint>

namespace platform {

struct PixelRegion::Impl {
    Impl() { pixman_region32_init(&region); }
    ~Impl() { pixman_region32_fini(&region); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    pixman_region32_t region;
};

namespace {

int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
}

// A box for the rectangle, or false when it covers no pixel.
bool toBox(int x, int y, int w, int h, pixman_box32_t& box) {
    if (w <= 0 || h <= 0)
        return false;
    box.x1 = clamp32(x);
    box.y1 = clamp32(y);
    box.x2 = clamp32(int64_t{x} + w);
    box.y2 = clamp32(int64_t{y} + h);
    return box.x2 > box.x1 && box.y2 > box.y1;
}

} // namespace

PixelRegion::PixelRegion() : impl(std::make_unique<Impl>()) {}

PixelRegion::PixelRegion(int x, int y, int width, int height) : PixelRegion() {
    unite(x, y, width, height);
}

PixelRegion::PixelRegion(const PixelRegion& other) : PixelRegion() {
    pixman_region32_copy(&impl->region, &other.impl->region);
}

PixelRegion& PixelRegion::operator=(const PixelRegion& other) {
    if (this != &other)
        pixman_region32_copy(&impl->region, &other.impl->region);
    return *this;
}

PixelRegion::~PixelRegion() = default;

void PixelRegion::unite(int x, int y, int width, int height) {
    pixman_box32_t b;
    if (toBox(x, y, width, height, b))
        pixman_region32_union_rect(&impl->region, &impl->region, b.x1, b.y1,
                                   static_cast<unsigned>(b.x2 - b.x1),
                                   static_cast<unsigned>(b.y2 - b.y1));
}

void PixelRegion::intersect(int x, int y, int width, int height) {
    pixman_box32_t b;
    if (!toBox(x, y, width, height, b)) {
        pixman_region32_clear(&impl->region);
        return;
    }
    pixman_region32_intersect_rect(&impl->region, &impl->region, b.x1, b.y1,
                                   static_cast<unsigned>(b.x2 - b.x1),
                                   static_cast<unsigned>(b.y2 - b.y1));
}

void PixelRegion::intersect(const PixelRegion& other) {
    pixman_region32_intersect(&impl->region, &impl->region, &other.impl->region);
}

void PixelRegion::subtract(int x, int y, int width, int height) {
    pixman_box32_t b;
    if (!toBox(x, y, width, height, b))
        return;
    pixman_region32_t cut;
    pixman_region32_init_rect(&cut, b.x1, b.y1, static_cast<unsigned>(b.x2 - b.x1),
                              static_cast<unsigned>(b.y2 - b.y1));
    pixman_region32_subtract(&impl->region, &impl->region, &cut);
    pixman_region32_fini(&cut);
}

void PixelRegion::translate(int dx, int dy) {
    RegionBox e = extents();
    if (isEmpty())
        return;
    // Keep every coordinate representable after the move.
    int64_t x1 = int64_t{e.x} + dx, y1 = int64_t{e.y} + dy;
    int64_t x2 = x1 + e.width, y2 = y1 + e.height;
    if (x1 < INT32_MIN / 2 || y1 < INT32_MIN / 2 || x2 > INT32_MAX / 2 || y2 > INT32_MAX / 2) {
        pixman_region32_clear(&impl->region);
        return;
    }
    pixman_region32_translate(&impl->region, dx, dy);
}

bool PixelRegion::isEmpty() const {
    return !pixman_region32_not_empty(&impl->region);
}

bool PixelRegion::intersects(int x, int y, int width, int height) const {
    pixman_box32_t b;
    if (!toBox(x, y, width, height, b))
        return false;
    return pixman_region32_contains_rectangle(&impl->region, &b) != PIXMAN_REGION_OUT;
}

bool PixelRegion::contains(int x, int y) const {
    return pixman_region32_contains_point(&impl->region, x, y, nullptr);
}

RegionBox PixelRegion::extents() const {
    const pixman_box32_t* e = pixman_region32_extents(&impl->region);
    return RegionBox{e->x1, e->y1, e->x2 - e->x1, e->y2 - e->y1};
}

std::vector<RegionBox> PixelRegion::boxes() const {
    int n = 0;
    const pixman_box32_t* r = pixman_region32_rectangles(&impl->region, &n);
    std::vector<RegionBox> out;
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out.push_back(RegionBox{r[i].x1, r[i].y1, r[i].x2 - r[i].x1, r[i].y2 - r[i].y1});
    return out;
}

} // namespace platform
