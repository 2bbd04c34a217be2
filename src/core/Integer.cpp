#include "core/Integer.h"

#include "core/String.h"

namespace lang {

bool Integer::equals(const Object* other) const {
    return other && other->instanceOf("Integer") &&
           static_cast<const Integer*>(other)->value == value;
}

Ref<String> Integer::toString() const {
    return adopt(new String(static_cast<int>(value)));
}

bool Integer::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "Integer") || Object::instanceOf(className);
}

} // namespace lang
