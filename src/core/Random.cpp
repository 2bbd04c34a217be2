#include "core/Random.h"

#include "platform/Time.h"

namespace lang {

namespace {
thread_local bool seeded = false;
thread_local uint32_t state = 0;
} // namespace

void seed(uint32_t value) {
    state = value;
    seeded = true;
}

int rand15() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

double random() {
    if (!seeded)
        seed(platform::tickCount());
    return rand15() / 32768.0;
}

} // namespace lang
