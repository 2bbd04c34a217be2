#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct RegionBox {
    int x, y, width, height;
};

// Cuts `a` to its overlap with `b`; false (and `a` unchanged) when they do not
// overlap. Sums are taken in 64 bits so boxes near the integer limits cannot
// wrap into a false overlap.
inline bool clipBox(RegionBox& a, const RegionBox& b) {
    int64_t x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
    int64_t x2 = std::min(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
    int64_t y2 = std::min(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
    if (x2 <= x1 || y2 <= y1)
        return false;
    a = RegionBox{static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 - x1),
                  static_cast<int>(y2 - y1)};
    return true;
}

// A set of pixels made of non-overlapping rectangles (a pixman region behind
// the scenes). Rectangles with no width or height add nothing; coordinates are
// clamped to the 32-bit range.
class PixelRegion {
public:
    PixelRegion();
    PixelRegion(int x, int y, int width, int height);
    PixelRegion(const PixelRegion& other);
    PixelRegion& operator=(const PixelRegion& other);
    ~PixelRegion();

    void unite(int x, int y, int width, int height);
    void intersect(int x, int y, int width, int height);
    void intersect(const PixelRegion& other);
    void subtract(int x, int y, int width, int height);
    void translate(int dx, int dy);

    bool isEmpty() const;
    bool intersects(int x, int y, int width, int height) const;
    bool contains(int x, int y) const;
    RegionBox extents() const;
    // The rectangles, top to bottom and left to right.
    std::vector<RegionBox> boxes() const;

private:
    struct Impl;
    // Never null: every constructor makes one, and copies copy its contents.
    std::unique_ptr<Impl> impl;
};

} // namespace platform
