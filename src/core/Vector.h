#pragma once

#include "core/Object.h"

namespace lang {

// Synchronised list of object references that can grow at both ends. Holds one
// reference to each element. Index errors throw Exception ("Index out of
// range" for access and removal, "Index out of bounds" for insertion).
class Vector : public Object {
    LANG_CLASS(Vector, Object);

    explicit Vector(int initialCapacity = 10);
    ~Vector() override;
    Vector(const Vector&) = delete;
    Vector& operator=(const Vector&) = delete;

    // Borrowed: no reference is added.
    Object* elementAt(int i) const;
    void addElement(Object* o);
    void insertElementAt(Object* o, int i);
    void removeElementAt(int i);
    bool removeElement(const Object* o);
    void removeAllElements();
    int indexOf(const Object* o) const;
    void copyInto(ObjectArray* array) const;
    // Read without locking.
    int size() const { return count; }
    // Unchecked access, for callers that already hold the monitor.
    Object* elementAtUnchecked(int i) const { return items[start + i]; }

    int getCapacity() const { return capacity; }
    int getStart() const { return start; }

private:
    void grow(int needed);
    void moveToFront();

    int count = 0;
    int capacity = 0;
    int start = 0;
    Object** items = nullptr;
};

} // namespace lang
