#include "core/Vector.h"

#include "core/Exception.h"
#include "core/ObjectArray.h"

#include <algorithm>
#include <cstring>

namespace lang {

namespace {
const char* const indexOutOfRange = "Index out of range";
const char* const indexOutOfBounds = "Index out of bounds";
} // namespace

Vector::Vector(int initialCapacity) : capacity(std::max(initialCapacity, 0)) {
    items = capacity ? new Object*[capacity]() : nullptr;
}

Vector::~Vector() {
    for (int i = 0; i < count; ++i)
        releaseRef(items[start + i]);
    delete[] items;
}

void Vector::grow(int needed) {
    int newCapacity = std::max(capacity * 3 / 2, capacity + needed);
    Object** fresh = new Object*[newCapacity]();
    std::copy(items + start, items + start + count, fresh);
    delete[] items;
    items = fresh;
    capacity = newCapacity;
    start = 0;
}

void Vector::moveToFront() {
    std::memmove(items, items + start, count * sizeof(Object*));
    std::fill(items + count, items + start + count, nullptr);
    start = 0;
}

Object* Vector::elementAt(int i) const {
    Synchronized guard(this);
    if (i < 0 || i >= count)
        throwException(indexOutOfRange);
    return items[start + i];
}

void Vector::addElement(Object* o) {
    Synchronized guard(this);
    if (capacity < count + 1)
        grow(1);
    if (start + count + 1 > capacity)
        moveToFront();
    if (o)
        o->addRef();
    items[start + count] = o;
    ++count;
}

void Vector::insertElementAt(Object* o, int i) {
    Synchronized guard(this);
    if (i < 0 || i > count)
        throwException(indexOutOfBounds);
    if (o)
        o->addRef();
    if (count >= capacity)
        grow(1);
    if ((i < count - i && start > 0) || start + count >= capacity) {
        if (start == 0) {
            // No room at either end can only happen with a full array, which
            // grow() above rules out; make room at the back instead.
            std::memmove(items + i + 1, items + i, (count - i) * sizeof(Object*));
        } else {
            std::memmove(items + start - 1, items + start, i * sizeof(Object*));
            --start;
        }
    } else {
        std::memmove(items + start + i + 1, items + start + i, (count - i) * sizeof(Object*));
    }
    items[start + i] = o;
    ++count;
}

void Vector::removeElementAt(int i) {
    Synchronized guard(this);
    if (i < 0 || i >= count)
        throwException(indexOutOfRange);
    Object* removed = items[start + i];
    --count;
    if (i == 0) {
        items[start] = nullptr;
        ++start;
    } else if (i < count - i) {
        std::memmove(items + start + 1, items + start, i * sizeof(Object*));
        items[start] = nullptr;
        ++start;
    } else {
        std::memmove(items + start + i, items + start + i + 1, (count - i) * sizeof(Object*));
        items[start + count] = nullptr;
    }
    releaseRef(removed);
}

bool Vector::removeElement(const Object* o) {
    Synchronized guard(this);
    int i = indexOf(o);
    if (i < 0)
        return false;
    removeElementAt(i);
    return true;
}

void Vector::removeAllElements() {
    Synchronized guard(this);
    // Detach first: releasing an element may run code that looks at the vector.
    int n = count;
    Object** old = new Object*[n];
    std::copy(items + start, items + start + n, old);
    std::fill(items + start, items + start + n, nullptr);
    count = 0;
    start = 0;
    for (int i = 0; i < n; ++i)
        releaseRef(old[i]);
    delete[] old;
}

int Vector::indexOf(const Object* o) const {
    Synchronized guard(this);
    for (int i = 0; i < count; ++i) {
        Object* e = items[start + i];
        if (e && e->equals(o))
            return i;
    }
    return -1;
}

void Vector::copyInto(ObjectArray* array) const {
    Synchronized guard(this);
    array->setSize(count);
    for (int i = 0; i < count; ++i) {
        Object* e = items[start + i];
        if (e)
            e->addRef();
        array->set(i, e);
    }
}

} // namespace lang
