#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// Waits for a condition another thread makes true; the bound is reached only
// when something hangs, so it is generous.
template <class Condition>
bool eventually(Condition condition, std::chrono::seconds bound = std::chrono::seconds(20)) {
    auto limit = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace testsupport
