#pragma once

#include "core/Object.h"
#include "io/Forward.h"

#include <cstdint>

namespace lang {

// A source of bytes: a file, a block of memory or a resource entry. Used by one
// thread at a time. Every condition other than a file that cannot be opened or
// reports a read error is a short or empty read.
class InputStream : public Object {
    LANG_CLASS(InputStream, Object);

    // Reads up to length bytes to buffer + offset; returns the number read (0 at
    // the end or after close).
    virtual int read(uint8_t* buffer, int offset, int length) = 0;
    // The next byte as 0 to 255, or -1 at the end.
    virtual int read() = 0;
    virtual void close() = 0;
    // Back to the first byte.
    virtual void reset() = 0;
    // Moves forward up to n bytes (n < 0 counts as 0); returns how far it moved.
    virtual int skip(int n) = 0;
};

// Reads everything left in the stream into a new array sized to fit, owned by
// the caller: an 8,192-byte buffer that doubles whenever it fills. Returns null
// when the data would exceed maxReadAllBytes.
constexpr int maxReadAllBytes = 1 << 30;
Ref<ByteArray> readAll(InputStream& in);

} // namespace lang
