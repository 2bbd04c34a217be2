#include "gfx/FancyHelper.h"

namespace lang {

bool FancyHelper::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "FancyHelper") || Object::instanceOf(className);
}

} // namespace lang
