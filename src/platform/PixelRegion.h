#pragma once

#include <vector>

namespace platform {

struct RegionBox {
    int x, y, width, height;
};

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
    Impl* impl;
};

} // namespace platform
