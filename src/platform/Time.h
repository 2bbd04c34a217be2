#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since the process started, in 32 bits (wraps after 49.7 days).
uint32_t tickCount();

} // namespace platform
