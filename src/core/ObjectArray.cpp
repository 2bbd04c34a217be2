#include "core/ObjectArray.h"

#include <algorithm>

namespace lang {

ObjectArray::ObjectArray(int length) : count(std::max(length, 0)) {
    items = count ? new Object*[count]() : nullptr;
}

ObjectArray::~ObjectArray() {
    delete[] items;
}

void ObjectArray::setSize(int n) {
    Synchronized guard(this);
    n = std::max(n, 0);
    if (n == count)
        return;
    Object** fresh = n ? new Object*[n]() : nullptr;
    std::copy(items, items + std::min(count, n), fresh);
    delete[] items;
    items = fresh;
    count = n;
}

void ObjectArray::copyFrom(const ObjectArray& other) {
    Synchronized guard(this);
    Synchronized otherGuard(&other);
    setSize(other.count);
    std::copy(other.items, other.items + other.count, items);
}

} // namespace lang
