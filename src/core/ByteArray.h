#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

class ByteArray : public Object {
    LANG_CLASS(ByteArray, Object);

    explicit ByteArray(int length = 0);
    ~ByteArray() override;
    ByteArray(const ByteArray&) = delete;
    ByteArray& operator=(const ByteArray&) = delete;

    // Replaces the storage by n zero bytes, keeping the first min(old, n).
    void setSize(int n);
    void copyFrom(const ByteArray& other);

    int size() const { return length; }
    uint8_t* bytes() { return data; }
    const uint8_t* bytes() const { return data; }

private:
    uint8_t* data = nullptr;
    int length = 0;
};

} // namespace lang
