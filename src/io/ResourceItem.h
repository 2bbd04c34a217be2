#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// The bytes of one resource entry.
class ResourceItem : public Object {
    LANG_CLASS(ResourceItem, Object);

    // The entry's bytes; valid while the item lives. Null when there are none.
    virtual const uint8_t* getData() const = 0;
    virtual int getSize() const = 0;
};

} // namespace lang
