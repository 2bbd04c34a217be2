#include "core/Random.h"

#include "platform/Time.h"

#include <atomic>

namespace lang {

namespace {
thread_local bool seeded = false;
thread_local uint32_t state = 0;
// Bit 32 set: a seed for threads that have not seeded themselves.
std::atomic<uint64_t> newThreadSeed{0};
} // namespace

uint32_t randomState() {
    return state;
}

void seedNewThreads(uint32_t value) {
    newThreadSeed.store((uint64_t(1) << 32) | value);
}

void seed(uint32_t value) {
    state = value;
    seeded = true;
}

int rand15() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

double random() {
    if (!seeded) {
        uint64_t fixed = newThreadSeed.load();
        seed(fixed ? uint32_t(fixed) : platform::tickCount());
    }
    return rand15() / 32768.0;
}

} // namespace lang
