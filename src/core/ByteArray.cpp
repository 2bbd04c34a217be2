#include "core/ByteArray.h"

#include <algorithm>

namespace lang {

ByteArray::ByteArray(int n) : length(std::max(n, 0)) {
    data = length ? new uint8_t[length]() : nullptr;
}

ByteArray::~ByteArray() {
    delete[] data;
}

void ByteArray::setSize(int n) {
    Synchronized guard(this);
    n = std::max(n, 0);
    uint8_t* fresh = n ? new uint8_t[n]() : nullptr;
    std::copy(data, data + std::min(length, n), fresh);
    delete[] data;
    data = fresh;
    length = n;
}

void ByteArray::copyFrom(const ByteArray& other) {
    Synchronized guard(this);
    Synchronized otherGuard(&other);
    setSize(other.length);
    std::copy(other.data, other.data + other.length, data);
}

} // namespace lang
