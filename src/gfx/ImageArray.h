#pragma once

#include "core/ObjectArray.h"

namespace lang {

// The array of images that game code passes around (animation cells, turned
// copies of a ball). Like every ObjectArray it does not count its elements:
// whoever fills it keeps the images alive.
class ImageArray : public ObjectArray {
public:
    using ObjectArray::ObjectArray;
    bool instanceOf(const char* className) const override;
};

} // namespace lang
