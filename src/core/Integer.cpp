#include "core/Integer.h"

#include "core/String.h"

namespace lang {

bool Integer::equals(const Object* other) const {
    const Integer* i = as<Integer>(other);
    return i && i->value == value;
}

Ref<String> Integer::toString() const {
    return adopt(new String(static_cast<int>(value)));
}

} // namespace lang
