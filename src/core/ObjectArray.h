#pragma once

#include "core/Object.h"

namespace lang {

// Plain array of object pointers. It neither adds nor releases references by
// itself: whoever fills it decides what the pointers mean.
class ObjectArray : public Object {
    LANG_CLASS(ObjectArray, Object);

    explicit ObjectArray(int length = 0);
    ~ObjectArray() override;
    ObjectArray(const ObjectArray&) = delete;
    ObjectArray& operator=(const ObjectArray&) = delete;

    // Replaces the storage by n null slots, keeping the first min(old, n).
    void setSize(int n);
    void copyFrom(const ObjectArray& other);

    int size() const { return count; }
    Object* get(int i) const { return items[i]; }
    void set(int i, Object* o) { items[i] = o; }
    Object** data() { return items; }

private:
    Object** items = nullptr;
    int count = 0;
};

class StringArray : public ObjectArray {
    LANG_CLASS(StringArray, ObjectArray);

    using ObjectArray::ObjectArray;
};

// Declared by name here; the sprites it holds belong to the engine.
class SpriteArray : public ObjectArray {
    LANG_CLASS(SpriteArray, ObjectArray);

    using ObjectArray::ObjectArray;
};

} // namespace lang
