#pragma once

// Checks of our own invariants: a failure is a bug in this program, never bad
// input (bad data from outside is handled where it is read). RIPPLE_ASSERT is
// compiled in where RIPPLE_ASSERTIONS is defined (the debug and sanitizer
// builds) and vanishes, condition included, from a release build.

namespace lang {

// Prints "file:line: message" to the standard error stream and aborts.
[[noreturn]] void assertionFailed(const char* file, int line, const char* condition,
                                  const char* message);

} // namespace lang

#if defined(RIPPLE_ASSERTIONS)
#define RIPPLE_ASSERT(cond, msg)                                                                   \
    ((cond) ? static_cast<void>(0) : ::lang::assertionFailed(__FILE__, __LINE__, #cond, msg))
#else
#define RIPPLE_ASSERT(cond, msg) static_cast<void>(sizeof(!(cond)))
#endif
