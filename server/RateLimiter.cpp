#include "RateLimiter.h"

#include <algorithm>
#include <functional>

namespace scores {

RateLimiter::RateLimiter(double perMinute, double burst_)
    : perSecond(perMinute / 60.0), burst(std::max(1.0, burst_)) {}

double RateLimiter::refilled(const Bucket& bucket, Clock::time_point now) const {
    double seconds = std::chrono::duration<double>(now - bucket.last).count();
    return std::min(burst, bucket.tokens + std::max(0.0, seconds) * perSecond);
}

void RateLimiter::prune(Shard& shard, Clock::time_point now) {
    // A sweep costs the whole shard: at most one a second.
    if (now - shard.lastPrune >= std::chrono::seconds(1)) {
        shard.lastPrune = now;
        std::erase_if(shard.buckets,
                      [&](const auto& entry) { return refilled(entry.second, now) >= burst; });
    }
    // Still crowded: far more addresses than a refill time can hold. Forgetting
    // them all lets some through once, which beats growing without bound.
    if (shard.buckets.size() >= pruneAt * 4) {
        shard.buckets.clear();
    }
}

bool RateLimiter::allow(std::string_view address, Clock::time_point now) {
    if (perSecond <= 0) {
        return true;
    }
    Shard& shard = shards[std::hash<std::string_view>()(address) % shardCount];
    std::lock_guard guard(shard.lock);
    auto found = shard.buckets.find(std::string(address));
    if (found == shard.buckets.end()) {
        if (shard.buckets.size() >= pruneAt) {
            prune(shard, now);
        }
        shard.buckets.emplace(std::string(address), Bucket{burst - 1, now});
        return true;
    }
    Bucket& bucket = found->second;
    bucket.tokens = refilled(bucket, now);
    bucket.last = std::max(bucket.last, now);
    if (bucket.tokens < 1) {
        return false;
    }
    bucket.tokens -= 1;
    return true;
}

} // namespace scores
