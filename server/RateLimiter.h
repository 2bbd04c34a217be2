#pragma once

#include <array>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scores {

// Requests allowed per client address: a token bucket per address that refills
// at perMinute and holds at most burst. A limit of 0 per minute allows
// everything. Safe to call from every request thread; addresses are spread
// over independently locked shards. An address whose bucket is full again is
// forgotten when its shard grows, so the table stays bounded by the addresses
// active within one refill time.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(double perMinute, double burst);

    bool allow(std::string_view address, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point last;
    };
    struct Shard {
        std::mutex lock;
        std::unordered_map<std::string, Bucket> buckets;
        Clock::time_point lastPrune;
    };

    static constexpr size_t shardCount = 16;
    static constexpr size_t pruneAt = 4096;

    void prune(Shard& shard, Clock::time_point now);
    double refilled(const Bucket& bucket, Clock::time_point now) const;

    double perSecond;
    double burst;
    std::array<Shard, shardCount> shards;
};

} // namespace scores
