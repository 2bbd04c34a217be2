#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

class Dimension : public Object {
    LANG_CLASS(Dimension, Object);

    Dimension() = default;
    Dimension(int width, int height) : width(width), height(height) {}

    bool equals(const Object* other) const override;
    int hashCode() const override;

    int32_t width = 0;
    int32_t height = 0;
};

} // namespace lang
