#include "platform/Time.h"

#include <chrono>

namespace platform {

namespace {
// Taken while static objects are constructed, so before main() runs.
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
} // namespace

uint32_t tickCount() {
    auto elapsed = std::chrono::steady_clock::now() - processStart;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

} // namespace platform
