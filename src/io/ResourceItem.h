#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// The bytes of one resource entry.
class ResourceItem : public Object {
public:
    // The entry's bytes; valid while the item lives. Null when there are none.
    virtual const uint8_t* getData() const = 0;
    virtual int getSize() const = 0;

    bool instanceOf(const char* className) const override;
};

} // namespace lang
