#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

class Point : public Object {
    LANG_CLASS(Point, Object);

    Point() = default;
    Point(int x, int y) : x(x), y(y) {}

    bool equals(const Object* other) const override;
    int hashCode() const override;

    int32_t x = 0;
    int32_t y = 0;
};

} // namespace lang
