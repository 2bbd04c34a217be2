#include "core/IntArray.h"

#include <algorithm>

namespace lang {

IntArray::IntArray(int length) : count(std::max(length, 0)) {
    data = count ? new int32_t[count]() : nullptr;
}

IntArray::~IntArray() {
    delete[] data;
}

void IntArray::setSize(int n) {
    Synchronized guard(this);
    n = std::max(n, 0);
    int32_t* fresh = n ? new int32_t[n]() : nullptr;
    std::copy(data, data + std::min(count, n), fresh);
    delete[] data;
    data = fresh;
    count = n;
}

void IntArray::copyFrom(const IntArray& other) {
    Synchronized guard(this);
    Synchronized otherGuard(&other);
    setSize(other.count);
    std::copy(other.data, other.data + other.count, data);
}

} // namespace lang
