#pragma once

#include "core/Object.h"
#include "io/Forward.h"

namespace lang {

// A character view of a byte source. Characters are 8-bit: read() gives 0 to
// 255, or -1 at the end. Used by one thread at a time.
class Reader : public Object {
    LANG_CLASS(Reader, Object);

    virtual void close() = 0;
    // Reads up to length characters to buffer + offset; returns the number read.
    virtual int read(char* buffer, int offset, int length) = 0;
    // Fills the whole array as far as there is data; returns the number read.
    virtual int read(ByteArray& a) = 0;
    virtual int read() = 0;
    virtual bool ready() = 0;
    virtual void reset() = 0;
    virtual int skip(int n) = 0;
};

} // namespace lang
