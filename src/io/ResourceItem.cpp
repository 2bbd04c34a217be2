#include "io/ResourceItem.h"

namespace lang {

bool ResourceItem::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "ResourceItem") || Object::instanceOf(className);
}

} // namespace lang
