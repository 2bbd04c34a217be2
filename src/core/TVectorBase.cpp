#include "core/TVectorBase.h"

#include <algorithm>
#include <cstring>

namespace lang {

TVectorBase::TVectorBase(int initialCapacity) : capacity(std::max(initialCapacity, 0)) {
    items = capacity ? new int32_t[capacity]() : nullptr;
}

TVectorBase::~TVectorBase() {
    delete[] items;
}

void TVectorBase::grow(int needed) {
    int newCapacity = std::max(capacity * 3 / 2, capacity + needed);
    int32_t* fresh = new int32_t[newCapacity]();
    std::copy(items + start, items + start + count, fresh);
    delete[] items;
    items = fresh;
    capacity = newCapacity;
    start = 0;
}

int32_t TVectorBase::elementAt(int i) const {
    Synchronized guard(this);
    return i >= 0 && i < count ? items[start + i] : 0;
}

void TVectorBase::addElement(int32_t v) {
    Synchronized guard(this);
    if (capacity < count + 1)
        grow(1);
    if (start + count + 1 > capacity) {
        std::memmove(items, items + start, count * sizeof(int32_t));
        start = 0;
    }
    items[start + count++] = v;
}

void TVectorBase::insertElementAt(int32_t v, int i) {
    Synchronized guard(this);
    if (i < 0 || i > count)
        return;
    if (count >= capacity)
        grow(1);
    if ((i < count - i && start > 0) || start + count >= capacity) {
        std::memmove(items + start - 1, items + start, i * sizeof(int32_t));
        --start;
    } else {
        std::memmove(items + start + i + 1, items + start + i, (count - i) * sizeof(int32_t));
    }
    items[start + i] = v;
    ++count;
}

void TVectorBase::removeElementAt(int i) {
    Synchronized guard(this);
    if (i < 0 || i >= count)
        return;
    --count;
    if (i == 0) {
        ++start;
    } else if (i < count - i) {
        std::memmove(items + start + 1, items + start, i * sizeof(int32_t));
        ++start;
    } else {
        std::memmove(items + start + i, items + start + i + 1, (count - i) * sizeof(int32_t));
    }
}

void TVectorBase::removeAllElements() {
    Synchronized guard(this);
    count = 0;
    start = 0;
}

int TVectorBase::indexOf(int32_t v) const {
    Synchronized guard(this);
    for (int i = 0; i < count; ++i)
        if (items[start + i] == v)
            return i;
    return -1;
}

} // namespace lang
