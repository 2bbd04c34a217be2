#pragma once

#include <cstdint>

namespace lang {

// Per-thread 15-bit linear congruential generator. Each thread's generator is
// seeded from the tick count on its first random() unless seed() came first,
// so a seeded thread replays the same sequence.

// A double r with 0 <= r < 1, a multiple of 1/32768.
double random();
// Sets this thread's state and marks the thread as seeded.
void seed(uint32_t value);
// Advances this thread's state; 0..32767.
int rand15();
// The calling thread's state, to be handed back to seed() later: one thread
// that runs the work of several (a stepped game) keeps each one's sequence.
uint32_t randomState();
// Every thread not yet seeded takes `value` on its first random() instead of
// the tick count, so a recorded session's threads start from a known state.
void seedNewThreads(uint32_t value);

} // namespace lang
