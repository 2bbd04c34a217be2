#pragma once

#include "core/Object.h"

namespace lang {

// Anything that can run on a thread. Implementers are Objects; the counting
// operations reach the implementing object.
class Runnable {
public:
    virtual int addRef() const = 0;
    virtual int release() const = 0;
    virtual bool instanceOf(const char* className) const = 0;
    virtual void run() = 0;

protected:
    ~Runnable() = default;
};

} // namespace lang
