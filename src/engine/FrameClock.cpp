#include "engine/FrameClock.h"

namespace engine {

namespace {

class SteadyFrameClock final : public FrameClock {
public:
    int64_t now() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    std::chrono::steady_clock::time_point deadline(int64_t due) override {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(due));
    }
};

} // namespace

std::shared_ptr<FrameClock> FrameClock::steady() {
    return std::make_shared<SteadyFrameClock>();
}

} // namespace engine
