#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// A boxed 32-bit integer: integer arguments passed as objects, and hash keys
// (two Integers of one value are equal and hash to that value).
class Integer : public Object {
    LANG_CLASS(Integer, Object);

    explicit Integer(int32_t value = 0) : value(value) {}

    int32_t intValue() const { return value; }

    int hashCode() const override { return value; }
    bool equals(const Object* other) const override;
    // The value in decimal; a new string owned by the caller.
    Ref<String> toString() const override;

private:
    const int32_t value;
};

} // namespace lang
