#pragma once

#include "core/ObjectArray.h"

namespace lang {

// The array of images that game code passes around (animation cells, turned
// copies of a ball). Like every ObjectArray it does not count its elements:
// whoever fills it keeps the images alive.
class ImageArray : public ObjectArray {
    LANG_CLASS(ImageArray, ObjectArray);

    using ObjectArray::ObjectArray;
};

} // namespace lang
