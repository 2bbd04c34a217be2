#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// A Vector of plain 32-bit values: same slot layout and growth, no references.
class TVectorBase : public Object {
    LANG_CLASS(TVectorBase, Object);

    explicit TVectorBase(int initialCapacity = 10);
    ~TVectorBase() override;
    TVectorBase(const TVectorBase&) = delete;
    TVectorBase& operator=(const TVectorBase&) = delete;

    // 0 for an index outside the list.
    int32_t elementAt(int i) const;
    void addElement(int32_t v);
    // Out-of-range indices are ignored.
    void insertElementAt(int32_t v, int i);
    void removeElementAt(int i);
    void removeAllElements();
    int indexOf(int32_t v) const;
    int size() const { return count; }
    int getCapacity() const { return capacity; }

private:
    void grow(int needed);

    int count = 0;
    int capacity = 0;
    int start = 0;
    int32_t* items = nullptr;
};

} // namespace lang
