#include "core/Exception.h"

namespace lang {

bool Exception::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "Exception") || Object::instanceOf(className);
}

void throwException(const char* message) {
    throw new Exception(message);
}

void throwException(const String& message) {
    throw new Exception(message);
}

} // namespace lang
