#include "RateLimiter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::chrono_literals;

TEST(RateLimiter, BurstThenRefillPerAddress) {
    scores::RateLimiter limiter(60, 3); // one a second, three at once
    auto t = scores::RateLimiter::Clock::time_point() + 1h;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.allow("10.0.0.1", t));
    }
    EXPECT_FALSE(limiter.allow("10.0.0.1", t));
    EXPECT_TRUE(limiter.allow("10.0.0.2", t));
    EXPECT_FALSE(limiter.allow("10.0.0.1", t + 900ms));
    EXPECT_TRUE(limiter.allow("10.0.0.1", t + 1100ms));
    EXPECT_FALSE(limiter.allow("10.0.0.1", t + 1200ms));
    // A long pause refills to the burst, not beyond it.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.allow("10.0.0.1", t + 1h));
    }
    EXPECT_FALSE(limiter.allow("10.0.0.1", t + 1h));
    // A clock that steps back never grants extra requests.
    EXPECT_FALSE(limiter.allow("10.0.0.1", t));
}

TEST(RateLimiter, ManyAddressesStayLimitedAndZeroMeansNoLimit) {
    scores::RateLimiter limiter(1, 1);
    auto t = scores::RateLimiter::Clock::time_point() + 1h;
    // Enough addresses to make every shard sweep its table: none of them is
    // refilled yet, so all stay limited.
    for (int i = 0; i < 70000; ++i) {
        ASSERT_TRUE(limiter.allow("a" + std::to_string(i), t));
    }
    EXPECT_FALSE(limiter.allow("a0", t + 1s));
    EXPECT_FALSE(limiter.allow("a69999", t + 1s));

    scores::RateLimiter open(0, 1);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(open.allow("x", t));
    }
}

} // namespace
