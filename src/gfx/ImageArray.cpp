#include "gfx/ImageArray.h"

namespace lang {

bool ImageArray::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "ImageArray") || ObjectArray::instanceOf(className);
}

} // namespace lang
