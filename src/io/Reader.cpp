#include "io/Reader.h"

namespace lang {

bool Reader::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "Reader") || Object::instanceOf(className);
}

} // namespace lang
