#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

class Rectangle : public Object {
    LANG_CLASS(Rectangle, Object);

    Rectangle() = default;
    Rectangle(int x, int y, int width, int height) : x(x), y(y), width(width), height(height) {}
    Rectangle(const Rectangle& other)
        : Object(), x(other.x), y(other.y), width(other.width), height(other.height) {}
    Rectangle& operator=(const Rectangle& other) {
        setBounds(other.x, other.y, other.width, other.height);
        return *this;
    }

    // (x << 24) + (y << 16) + (width << 8) + height, wrapping.
    int hashCode() const override;
    // True for the same object or another Rectangle with equal fields.
    bool equals(const Object* other) const override;

    void setBounds(int nx, int ny, int w, int h) {
        x = nx;
        y = ny;
        width = w;
        height = h;
    }
    // Becomes the smallest rectangle covering both.
    void add(const Rectangle& r);
    // Becomes the overlap; all four fields 0 when there is none.
    void intersect(const Rectangle& r);
    // The left and top edges are inside, the right and bottom ones are not.
    bool inside(int px, int py) const;
    bool isEmpty() const { return width <= 0 || height <= 0; }

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

} // namespace lang
