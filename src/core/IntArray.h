#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

class IntArray : public Object {
    LANG_CLASS(IntArray, Object);

    explicit IntArray(int length = 0);
    ~IntArray() override;
    IntArray(const IntArray&) = delete;
    IntArray& operator=(const IntArray&) = delete;

    // Replaces the storage by n zeros, keeping the first min(old, n) values.
    void setSize(int n);
    void copyFrom(const IntArray& other);

    int size() const { return count; }
    int32_t get(int i) const { return data[i]; }
    void set(int i, int32_t v) { data[i] = v; }
    int32_t* values() { return data; }
    const int32_t* values() const { return data; }

private:
    int32_t* data = nullptr;
    int count = 0;
};

} // namespace lang
