#include "core/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace lang {

void assertionFailed(const char* file, int line, const char* condition, const char* message) {
    if (condition)
        std::fprintf(stderr, "%s:%d: internal error: %s (failed: %s)\n", file, line, message,
                     condition);
    else
        std::fprintf(stderr, "%s:%d: internal error: %s\n", file, line, message);
    std::fflush(stderr);
    std::abort();
}

} // namespace lang
